// The program's settings in one place: each key with its default and, for
// numbers, its range, read and written through the overloads below so that no
// call site repeats a default or a bound.
//
// A number read back is clamped to its range (KVGetInt's rule); a value is
// written as given, so a stored file keeps what the user entered. Keys are
// matched through NormalizeKey, as every key of the store is.
#pragma once

#include "support/Settings.h"

#include <QString>
#include <span>

namespace sky {

struct IntSetting {
    const char* key;
    int def, min, max;
    // The same setting with another upper bound (one the caller knows only at
    // run time, such as a share of the window's width).
    constexpr IntSetting WithMax(int newMax) const { return {key, def, min, newMax}; }
};

struct BoolSetting {
    const char* key;
    bool def;
};

// A text setting. A null default means the caller's default: a value of a
// higher layer or one known only at run time (read with the fallback
// overloads).
struct TextSetting {
    const char* key;
    const char* def;
};

// The program's own settings (the SystemConfig list).
namespace setting {
// Rows a table's data and a filter load at most (the LIMIT of their queries).
inline constexpr IntSetting QryLimit{"QryLimit", 1000, 10, 100000};
// Rows the data editor loads at most.
inline constexpr IntSetting EdtLimit{"EdtLimit", 200, 10, 10000};
// Entries a database's query history keeps.
inline constexpr IntSetting MaxHist{"Max_Hist", 300, 10, 10000};
// Lines of VALUES per INSERT in SQL exports.
inline constexpr IntSetting MaxSqlExportValuesLines{"MaxSQLExportValuesLines", 64, 0, 10000};
// The system log's level: 0 service only, 1 all errors, 2 verbose.
inline constexpr IntSetting SysLogKind{"SysLogKind", 2, 0, 2};
// The overview's file pane width; the window bounds it by its own width too
// (WithMax). The default and minimum are the collapsed pane's width.
inline constexpr IntSetting FileListWidth{"FileListWidth", 280, 280, 100000};
inline constexpr BoolSetting ExpandedPane{"ExpandedPane", false};
inline constexpr BoolSetting LastDbAtTop{"LastDBatTop", false};
inline constexpr BoolSetting ShowTooltips{"ShowTooltips", true};
// How NULL is shown in results and text exports.
inline constexpr TextSetting ResNulls{"ResNULLs", "NULL"};
// The theme's name; default kDefaultTheme (shell/ui/Themes.h).
inline constexpr TextSetting Theme{"DXStyle", nullptr};
// Default kDefaultUpdateServer (shell/UpdateCheck.h).
inline constexpr TextSetting UpdateServer{"UpdateServer", nullptr};
// Default kDefaultProject (shell/FileList.h).
inline constexpr TextSetting LastOpenedProject{"LastOpenedProject", nullptr};
inline constexpr TextSetting LastDbFile{"LastDBFile", ""};
// The search page; the folder's default is the settings folder.
inline constexpr TextSetting SearchDbFolder{"edtSearchDBFolder", nullptr};
inline constexpr TextSetting SearchDbText{"edtSearchDBText", "*.*db"};
inline constexpr TextSetting SearchTableText{"edtSearchTableSearch", ""};
inline constexpr TextSetting SearchFieldText{"edtSearchFieldSearch", ""};
inline constexpr TextSetting LastDocSearch{"LastDocSearch", ""};
} // namespace setting

// A database's settings (its CFG_ list, read and written with the KV forms).
namespace dbsetting {
inline constexpr TextSetting LastTable{"dbLastTable", ""};
inline constexpr TextSetting LastAttachedDb{"LastAttachedDB", ""};
inline constexpr TextSetting LastCompare{"LastCompare", ""};
inline constexpr IntSetting HeaderHeight{"HeaderHeight", 280, 200, 100000};
// -1: the window's own width.
inline constexpr IntSetting ObjTreeWidth{"ObjTreeWidth", -1, -1, 100000};
inline constexpr BoolSetting ShowLineNos{"ShowLineNos", false};
inline constexpr BoolSetting ShowStretched{"ShowStretched", true};
inline constexpr BoolSetting ShowHighlights{"ShowHighlights", true};
inline constexpr BoolSetting ShowQueryGutter{"ShowQueryGutter", false};
inline constexpr BoolSetting ShowQueryWWrap{"ShowQueryWWrap", true};
// The schema tree's table order: 0 creation, 1 alphabetical, 2 size.
inline constexpr IntSetting TableDesignSorted{"TableDesignSorted", 0, 0, 2};
// Alignment of text and of numbers in results: 0 left, 1 centre, 2 right.
inline constexpr IntSetting ResultsAlignText{"ResultsAlignText", 1, 0, 2};
inline constexpr IntSetting ResultsAlignVals{"ResultsAlignVals", 1, 0, 2};
} // namespace dbsetting

// Every entry of both lists, for checks and listings.
std::span<const IntSetting* const> IntSettings();
std::span<const BoolSetting* const> BoolSettings();
std::span<const TextSetting* const> TextSettings();

// The value within the setting's range; a number that is not finite gives
// the default.
int Clamped(const IntSetting& s, double value);

// A setting in a list (a database's CFG_ list).
int KVGet(const SettingList& list, const IntSetting& s);
bool KVGet(const SettingList& list, const BoolSetting& s);
QString KVGet(const SettingList& list, const TextSetting& s);
QString KVGet(const SettingList& list, const TextSetting& s, const QString& fallback);
void KVPut(SettingList& list, const IntSetting& s, int value);
void KVPut(SettingList& list, const BoolSetting& s, bool flag);
void KVPut(SettingList& list, const TextSetting& s, const QString& text);

// A setting of the program (SystemConfig).
int CfgGet(const IntSetting& s);
bool CfgGet(const BoolSetting& s);
QString CfgGet(const TextSetting& s);
QString CfgGet(const TextSetting& s, const QString& fallback);
void CfgPut(const IntSetting& s, int value);
void CfgPut(const BoolSetting& s, bool flag);
void CfgPut(const TextSetting& s, const QString& text);

} // namespace sky
