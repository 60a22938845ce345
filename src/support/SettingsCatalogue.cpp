#include "support/SettingsCatalogue.h"

#include <cmath>

namespace sky {

std::span<const IntSetting* const> IntSettings() {
    static const IntSetting* const all[] = {&setting::QryLimit,
                                            &setting::EdtLimit,
                                            &setting::MaxHist,
                                            &setting::MaxSqlExportValuesLines,
                                            &setting::SysLogKind,
                                            &setting::FileListWidth,
                                            &dbsetting::HeaderHeight,
                                            &dbsetting::ObjTreeWidth,
                                            &dbsetting::TableDesignSorted,
                                            &dbsetting::ResultsAlignText,
                                            &dbsetting::ResultsAlignVals};
    return all;
}

std::span<const BoolSetting* const> BoolSettings() {
    static const BoolSetting* const all[] = {
        &setting::ExpandedPane,      &setting::LastDbAtTop,     &setting::ShowTooltips,
        &dbsetting::ShowLineNos,     &dbsetting::ShowStretched, &dbsetting::ShowHighlights,
        &dbsetting::ShowQueryGutter, &dbsetting::ShowQueryWWrap};
    return all;
}

std::span<const TextSetting* const> TextSettings() {
    static const TextSetting* const all[] = {
        &setting::ResNulls,          &setting::Theme,           &setting::UpdateServer,
        &setting::LastOpenedProject, &setting::LastDbFile,      &setting::SearchDbFolder,
        &setting::SearchDbText,      &setting::SearchTableText, &setting::SearchFieldText,
        &setting::LastDocSearch,     &dbsetting::LastTable,     &dbsetting::LastAttachedDb,
        &dbsetting::LastCompare};
    return all;
}

int Clamped(const IntSetting& s, double value) {
    if (!std::isfinite(value)) return s.def;
    if (value <= s.min) return s.min;
    if (value >= s.max) return s.max;
    return int(value);
}

namespace {

QString Key(const char* key) {
    return QString::fromLatin1(key);
}

QString Default(const TextSetting& s) {
    return s.def ? QString::fromUtf8(s.def) : QString();
}

} // namespace

int KVGet(const SettingList& list, const IntSetting& s) {
    return KVGetInt(list, Key(s.key), s.def, s.min, s.max);
}

bool KVGet(const SettingList& list, const BoolSetting& s) {
    return KVGetBool(list, Key(s.key), s.def);
}

QString KVGet(const SettingList& list, const TextSetting& s) {
    return KVGet(list, Key(s.key), Default(s));
}

QString KVGet(const SettingList& list, const TextSetting& s, const QString& fallback) {
    return KVGet(list, Key(s.key), fallback);
}

void KVPut(SettingList& list, const IntSetting& s, int value) {
    KVPutNum(list, Key(s.key), value);
}

void KVPut(SettingList& list, const BoolSetting& s, bool flag) {
    KVPutBool(list, Key(s.key), flag);
}

void KVPut(SettingList& list, const TextSetting& s, const QString& text) {
    KVPut(list, Key(s.key), text);
}

int CfgGet(const IntSetting& s) {
    return CfgGetInt(Key(s.key), s.def, s.min, s.max);
}

bool CfgGet(const BoolSetting& s) {
    return CfgGetBool(Key(s.key), s.def);
}

QString CfgGet(const TextSetting& s) {
    return CfgGet(Key(s.key), Default(s));
}

QString CfgGet(const TextSetting& s, const QString& fallback) {
    return CfgGet(Key(s.key), fallback);
}

void CfgPut(const IntSetting& s, int value) {
    CfgPutNum(Key(s.key), value);
}

void CfgPut(const BoolSetting& s, bool flag) {
    CfgPutBool(Key(s.key), flag);
}

void CfgPut(const TextSetting& s, const QString& text) {
    CfgPut(Key(s.key), text);
}

} // namespace sky
