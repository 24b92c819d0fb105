// SPDX-License-Identifier: GPL-3.0-or-later
#include "StandardErrorCapture.h"

#include <cstdio>
#include <unistd.h>

StandardErrorCapture::StandardErrorCapture()
{
    std::fflush(stderr);
    if (file_.open()) {
        saved_ = ::dup(STDERR_FILENO);
        ::dup2(file_.handle(), STDERR_FILENO);
    }
}

StandardErrorCapture::~StandardErrorCapture()
{
    if (saved_ < 0)
        return;
    std::fflush(stderr);
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
}

QString StandardErrorCapture::text()
{
    std::fflush(stderr);
    QFile written(file_.fileName());
    return written.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(written.readAll()) : QString();
}

int StandardErrorCapture::linesWith(const QString& part)
{
    int count = 0;
    for (const QString& line : text().split(QLatin1Char('\n'))) {
        if (line.contains(part))
            ++count;
    }
    return count;
}
