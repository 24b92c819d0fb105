// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Takes what the process writes on standard error (through Qt, stdio or the file
// descriptor itself) into a file while it lives, so a test can read the lines said.

#include <QString>
#include <QTemporaryFile>

class StandardErrorCapture {
public:
    StandardErrorCapture();
    ~StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    // Everything written so far.
    QString text();
    // The lines written so far that contain the text.
    int linesWith(const QString& part);

private:
    QTemporaryFile file_;
    int saved_ = -1;
};
