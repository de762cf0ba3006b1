#include "mail/GeneratorMailSource.h"

GeneratorMailSource::GeneratorMailSource(std::unique_ptr<TMessageGenerator> generator)
    : m_generator(std::move(generator))
{}
