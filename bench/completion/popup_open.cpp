// Times opening the completion pop-up of a query editor on the vocabulary of
// DB (argv[1]) for every one-letter token, offscreen: the pop-up's Show (the
// answer, the entries and the list) against QScintilla showing the same
// entries made in advance (the list alone). Prints the slowest and the
// median of each, and the ratio of the totals over the 26 letters.
#include "completion/Completion.h"
#include "completion/ui/CompletionPopup.h"
#include "engine/Database.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace sky;

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: popup_open DB\n");
        return 1;
    }
    TSQLite3Database db;
    if (!db.Open(QString::fromLocal8Bit(argv[1]))) return 1;
    CompletionModel model;
    model.Build(&db);
    QsciScintilla editor;
    editor.resize(900, 600);
    ui::SetupSqlEditor(&editor);
    auto* popup = new ui::TCompletionPopup(
        &editor, [&model] { return &model; }, 12);
    editor.show();
    app.processEvents();

    std::vector<double> ours, peer;
    qsizetype most = 0;
    for (char c = 'a'; c <= 'z'; ++c) {
        const QString text = QStringLiteral("SELECT ") + QLatin1Char(c);
        editor.setText(text);
        editor.setCursorPosition(0, int(text.size()));
        QElapsedTimer t;
        t.start();
        popup->Show();
        app.processEvents();
        ours.push_back(double(t.nsecsElapsed()) / 1e6);
        const QStringList shown = popup->Shown();
        if (qEnvironmentVariableIsSet("POPUP_TRACE"))
            std::fprintf(stderr, "%c %lld %.1f\n", c, qlonglong(shown.size()), ours.back());
        most = std::max(most, shown.size());
        popup->Hide();
        app.processEvents();
        if (shown.isEmpty()) continue;
        t.start();
        editor.showUserList(1, shown);
        app.processEvents();
        peer.push_back(double(t.nsecsElapsed()) / 1e6);
        editor.cancelList();
        app.processEvents();
    }
    const double o = Median(ours), p = Median(peer);
    std::printf("items %lld, largest list %lld\n", qlonglong(model.Items().size()),
                qlonglong(most));
    std::printf("pop-up open: median %.1f ms, slowest %.1f ms\n", o,
                *std::max_element(ours.begin(), ours.end()));
    std::printf("list alone:  median %.1f ms, slowest %.1f ms\n", p,
                *std::max_element(peer.begin(), peer.end()));
    double ot = 0, pt = 0;
    for (double v : ours)
        ot += v;
    for (double v : peer)
        pt += v;
    std::printf("all 26 letters: %.1f ms, the list alone %.1f ms, ratio %.3f\n", ot, pt,
                pt > 0 ? ot / pt : 0.0);
    std::printf("slowest_ms %.1f\n", *std::max_element(ours.begin(), ours.end()));
    return 0;
}
