#include "addressbook/ImportProgress.h"

#include "controls/StatusPanel.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

namespace {
constexpr int kDrawIntervalMs = 50;
}

TImportProgress::TImportProgress(const QString& title, const QString& status)
    : m_window(std::make_unique<TStatusPanel>()), m_status(status)
{
    m_window->setTitle(title);
    m_window->setStatusText(status);
    m_window->initProgress(0);
    m_window->show();
    QCoreApplication::processEvents();
    m_sinceDrawn.start();
}

TImportProgress::~TImportProgress() = default;

void TImportProgress::begin(int maximum)
{
    m_done = 0;
    if (!m_window)
        return;
    m_window->initProgress(maximum);
    QCoreApplication::processEvents();
    m_sinceDrawn.restart();
}

void TImportProgress::step(const QString& status)
{
    ++m_done;
    m_status = status;
    if (m_window && m_sinceDrawn.elapsed() >= kDrawIntervalMs)
        draw();
}

void TImportProgress::draw()
{
    m_window->setStatusText(m_status);
    m_window->FPB1->setValue(qMin(m_done, m_window->FPB1->maximum()));
    QCoreApplication::processEvents();
    m_sinceDrawn.restart();
}

void TImportProgress::close()
{
    m_window.reset();
}
