// The file dialogs behind the FileChooser interface.
#pragma once

#include "support/Prompter.h"

namespace sky::ui {

class QtFileChooser : public FileChooser {
public:
    QString OpenFile(const QString& title, const QString& filter, const QString& start) override;
    QString SaveFile(const QString& title, const QString& filter, const QString& start,
                     const QString& defaultSuffix) override;
    QString Folder(const QString& title, const QString& start) override;
    QString SaveFileUnconfirmed(const QString& title, const QString& filter, const QString& start,
                                const QString& defaultSuffix) override;
    QString SaveFileAs(const QString& title, const QString& filter, int selected,
                       const QString& start, const QString& defaultSuffix) override;
};

} // namespace sky::ui
