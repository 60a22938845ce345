#include "shell/ui/QtFileChooser.h"

#include <QApplication>
#include <QFileDialog>

namespace sky::ui {

QString QtFileChooser::OpenFile(const QString& title, const QString& filter, const QString& start) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, start, filter);
}

QString QtFileChooser::SaveFile(const QString& title, const QString& filter, const QString& start,
                                const QString& defaultSuffix) {
    return SaveFileAs(title, filter, 0, start, defaultSuffix);
}

QString QtFileChooser::SaveFileAs(const QString& title, const QString& filter, int selected,
                                  const QString& start, const QString& defaultSuffix) {
    QFileDialog d(QApplication::activeWindow(), title, start, filter);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix(defaultSuffix);
    const QStringList filters = filter.split(QStringLiteral(";;"));
    if (selected > 0 && selected < filters.size()) d.selectNameFilter(filters[selected]);
    if (!start.isEmpty()) d.selectFile(start);
    return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().first()
                                                                         : QString();
}

QString QtFileChooser::SaveFileUnconfirmed(const QString& title, const QString& filter,
                                           const QString& start, const QString& defaultSuffix) {
    QFileDialog d(QApplication::activeWindow(), title, start, filter);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setOption(QFileDialog::DontConfirmOverwrite);
    d.setDefaultSuffix(defaultSuffix);
    if (!start.isEmpty()) d.selectFile(start);
    return d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().first()
                                                                         : QString();
}

QString QtFileChooser::Folder(const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, start);
}

} // namespace sky::ui
