// The clipboard and the desktop opener of core tests: the clipboard keeps
// its text, the opener records what it was asked to open and answers `ok`.
#pragma once

#include "support/Prompter.h"

#include <QStringList>

namespace sky::test {

class FakeClipboard : public ClipboardPort {
public:
    QString Text() const override { return text; }
    void SetText(const QString& t) override { text = t; }
    QString text;
};

class FakeOpener : public DesktopOpener {
public:
    bool Open(const QString& f) override {
        opened << f;
        return ok;
    }
    QStringList opened;
    bool ok = true;
};

} // namespace sky::test
