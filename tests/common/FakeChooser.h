// File dialogs answered by the test: every dialog returns `next`.
#pragma once

#include "support/Prompter.h"

namespace sky::test {

class Chooser : public FileChooser {
public:
    QString next;
    QString OpenFile(const QString&, const QString&, const QString&) override { return next; }
    QString SaveFile(const QString&, const QString&, const QString&, const QString&) override {
        return next;
    }
    QString Folder(const QString&, const QString&) override { return next; }
};

} // namespace sky::test
