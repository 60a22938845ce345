// Fuzzes the reading of list files and the key/value operations on what was
// read: any bytes decode and split, every lookup stays in bounds, a value put
// reads back trimmed, and placements restore inside a monitor.
#include "support/Settings.h"
#include "support/TextFile.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace {

class Window : public sky::PlacementWindow {
public:
    QRect g{10, 10, 400, 300};
    bool max = false;
    bool IsMaximized() const override { return max; }
    void ShowNormal() override { max = false; }
    void ShowMaximized() override { max = true; }
    QRect Geometry() const override { return g; }
    void SetGeometry(const QRect& r) override { g = r; }
    int MinimumWidth() const override { return 100; }
    int MinimumHeight() const override { return 80; }
    QList<QRect> Monitors() const override { return {QRect(0, 0, 1024, 768)}; }
    QList<QRect> WorkAreas() const override { return {QRect(0, 0, 1024, 740)}; }
    int MonitorIndex() const override { return 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    sky::SettingList list = sky::SettingListFromLines(sky::SplitListText(sky::DecodeText(bytes)));
    for (const QString& line : list.lines) {
        const QString key = line.section(QLatin1Char('='), 0, 0);
        sky::KVGet(list, key, QString());
        sky::KVGetInt(list, key, 7, 10, 100000);
        sky::KVGetBool(list, key, true);
        QStringList parts;
        sky::KVGetList(list, key, parts, true);
        Window w;
        sky::PlacementRestore(list, key, w, false);
        if (w.g.width() > 1024 || w.g.height() > 740) __builtin_trap();
        if (w.g.left() < 0 || w.g.top() < 0) __builtin_trap();
    }
    if (!list.lines.isEmpty()) {
        const QString key = list.lines.first().left(12);
        const QString value = list.lines.last().left(40);
        sky::KVPut(list, key, value);
        if (!sky::NormalizeKey(key).isEmpty() && !value.contains(QLatin1Char('\r')) &&
            !value.contains(QLatin1Char('\n')) &&
            sky::KVGet(list, key, QStringLiteral("\x01")) != value.trimmed())
            __builtin_trap();
    }
    return 0;
}
