// The settings store: named line lists in the settings folder, key/value
// operations on them, the global SystemConfig list and window placements.
//
// A list file is SettingsDir + "DataSet_" + NormalizeKey(name) + ".dblst":
// UTF-8 without byte-order mark, every line ended by CR LF, written through a
// temporary file. Reading honours a UTF-8/UTF-16 byte-order mark and reads
// bytes that are not valid UTF-8 as Windows-1252.
#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace sky {

// Trimmed, spaces removed, only letters and digits kept, upper-cased per
// character: "CFG_My Db" gives "CFGMYDB".
QString NormalizeKey(QStringView text);

// Lines KEY=value (or plain lines). Kept sorted by upper-cased ordinal order
// while it is changed only through the KV operations; a list read from a file
// keeps the file's order until the first insertion sorts it.
struct SettingList {
    QStringList lines;
    bool sorted = true;
    void clear() {
        lines.clear();
        sorted = true;
    }
};

// A list of lines as read from a file (its order kept; sorted noted).
SettingList SettingListFromLines(const QStringList& lines);
// The lines of a list file's text: split at CR LF, CR or LF; the line end of
// the last line adds no empty line.
QStringList SplitListText(const QString& text);

// The folder holding the list files (with a trailing '/'); empty means none.
QString ListFileName(const QString& settingsDir, const QString& name);
bool ListSave(const QStringList& lines, const QString& name, const QString& settingsDir);
bool ListLoad(QStringList& lines, const QString& name, const QString& settingsDir);
// The same in the program's settings folder.
bool ListSave(const SettingList& list, const QString& name);
bool ListLoad(SettingList& list, const QString& name);
bool ListSave(const QStringList& lines, const QString& name);
bool ListLoad(QStringList& lines, const QString& name);

// Text to number: a plain decimal number ("." separator, optional exponent);
// otherwise the cleaned text (sign, digits, first ".", first exponent
// letter); 0 when neither parses.
double TextToNumber(QStringView text);
// Plain decimal notation; whole numbers as digits only.
QString NumberToText(double value);

void KVPut(SettingList& list, const QString& key, const QString& text);
void KVPutNum(SettingList& list, const QString& key, double number);
void KVPutBool(SettingList& list, const QString& key, bool flag);
QString KVGet(const SettingList& list, const QString& key, const QString& def);
double KVGetNumber(const SettingList& list, const QString& key, double min, double max, double def);
int KVGetInt(const SettingList& list, const QString& key, int def, int min, int max);
bool KVGetBool(const SettingList& list, const QString& key, bool def);
// Several lines as one value joined by "; " (a "; " or ";." inside a line is
// written ";.").
void KVPutList(SettingList& list, const QString& key, const QStringList& lines);
void KVGetList(const SettingList& list, const QString& key, QStringList& lines, bool clearFirst);

// What a window placement needs of a window and the screens.
class PlacementWindow {
public:
    virtual ~PlacementWindow() = default;
    virtual bool IsMaximized() const = 0;
    virtual void ShowNormal() = 0;
    virtual void ShowMaximized() = 0;
    // The window's normal geometry in global coordinates.
    virtual QRect Geometry() const = 0;
    virtual void SetGeometry(const QRect& r) = 0;
    virtual int MinimumWidth() const = 0;
    virtual int MinimumHeight() const = 0;
    // Monitor geometries and work areas; the index of the window's monitor.
    virtual QList<QRect> Monitors() const = 0;
    virtual QList<QRect> WorkAreas() const = 0;
    virtual int MonitorIndex() const = 0;
};

void PlacementSave(SettingList& list, const QString& key, PlacementWindow& window);
void PlacementRestore(const SettingList& list, const QString& key, PlacementWindow& window,
                      bool positionOnly);

// The global SystemConfig list, loaded by CfgLoad at start and written by
// CfgFlush when a Cfg write changed it.
SettingList& SystemConfig();
bool SystemConfigChanged();
void CfgLoad();
bool CfgFlush();
void CfgPut(const QString& key, const QString& text);
void CfgPutNum(const QString& key, double number);
void CfgPutBool(const QString& key, bool flag);
void CfgPutPlacement(const QString& key, PlacementWindow& window);
QString CfgGet(const QString& key, const QString& def);
int CfgGetInt(const QString& key, int def, int min, int max);
bool CfgGetBool(const QString& key, bool def);
void CfgGetPlacement(const QString& key, PlacementWindow& window, bool positionOnly);

} // namespace sky
