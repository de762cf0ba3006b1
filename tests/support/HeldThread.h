#pragma once

#include <QThread>

#include <semaphore>

// A thread that stands for a background run: it runs until the test releases it.
class HeldThread : public QThread {
public:
    std::binary_semaphore release{0};

protected:
    void run() override { release.acquire(); }
};
