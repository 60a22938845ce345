#include "shell/ui/LogPage.h"

#include "engine/SystemLog.h"
#include "shell/ui/QtPrompter.h"
#include "support/Prompter.h"
#include "support/TextFile.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace sky::ui {

TLogPage::TLogPage(FileChooser& files, QWidget* parent) : QWidget(parent), FChooser(files) {
    auto* v = new QVBoxLayout(this);
    v->addWidget(new QLabel(QStringLiteral("SQLite DB Engine Logs"), this));
    memLog = new QPlainTextEdit(this);
    memLog->setObjectName(QStringLiteral("memLog"));
    memLog->setReadOnly(true);
    v->addWidget(memLog, 1);
    auto* row = new QHBoxLayout;
    rgLogKind = new QComboBox(this);
    rgLogKind->addItems(
        {QStringLiteral("Service Only"), QStringLiteral("All Errors"), QStringLiteral("Verbose")});
    row->addWidget(new QLabel(QStringLiteral("Set Log mode"), this));
    row->addWidget(rgLogKind);
    row->addStretch(1);
    auto* save = new QPushButton(QStringLiteral("Save..."), this);
    save->setToolTip(QStringLiteral("Save Log to file..."));
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    clear->setToolTip(QStringLiteral("Clear Log"));
    row->addWidget(save);
    row->addWidget(clear);
    v->addLayout(row);
    connect(rgLogKind, &QComboBox::currentIndexChanged, this, [this](int i) {
        SetLogLevel(i);
        Refresh();
    });
    connect(clear, &QPushButton::clicked, this, [this] {
        Refresh();
        memLog->clear();
    });
    connect(save, &QPushButton::clicked, this, [this] { SaveToFile(); });
}

void TLogPage::Refresh() {
    QStringList lines;
    GetLogLines(lines, true);
    for (const QString& l : lines)
        memLog->appendPlainText(l);
}

void TLogPage::ShowLevel(int level) {
    rgLogKind->setCurrentIndex(level);
}

int TLogPage::Level() const {
    return rgLogKind->currentIndex();
}

void TLogPage::SaveToFile() {
    Refresh();
    const QString f =
        FChooser.SaveFile(QStringLiteral("Save Log..."), QStringLiteral("Text Files (*.txt *.log)"),
                          QString(), QStringLiteral("txt"));
    if (f.isEmpty()) return;
    if (QFileInfo::exists(f) &&
        !Prompts().AskYesNo(QStringLiteral("Save to File..."),
                            QStringLiteral("The file already exists, Overwrite it?"), 30,
                            QStringLiteral("No"), QStringLiteral("Yes")))
        return;
    QString text = memLog->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QString why;
    if (!WriteFileAtomic(f, text.toUtf8() + "\r\n", &why))
        Prompts().ShowNotice(
            QStringLiteral("File Save Error"),
            QStringLiteral("Could not Save to \"") + f + QStringLiteral("\":\r") + why, 9, true);
}

} // namespace sky::ui
