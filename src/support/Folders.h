// The folders and names the program computes at start: program folder and
// name, settings folder, a private scratch folder, the documents folder, the
// instance marker name and the version text.
#pragma once

#include <QString>

namespace sky {

// Folder of the program file, with a trailing '/'.
QString ProgramDir();
// Program file name without extension ("skylark").
QString ProgramName();
// $XDG_CONFIG_HOME (default ~/.config) + "/skylark/"; the desktop program
// and skylark-cli share it. Computed on each call, so the environment of the
// moment counts; EnsureFolders creates it.
QString SettingsDir();
// A private per-user folder under the system temporary folder (mode 0700,
// owned by the user), with a trailing '/'. Created on first use; empty when
// no such folder can be made.
QString ScratchDir();
// $XDG_CACHE_HOME (default ~/.cache) + "/skylark/" (mode 0700), with a
// trailing '/': data that must survive a reboot but can be rebuilt (the
// script cache). Created on first use; empty when it cannot be made.
QString CacheDir();
// The user's documents folder, with a trailing '/'.
QString DocumentsDir();
// Creates the settings and scratch folders when missing.
bool EnsureFolders();
// "KSAppInstanceCheck_" + the program file name reduced to ASCII letters and
// digits, upper-cased.
QString InstanceMarkerName(const QString& programFileName);
// The four version numbers (major.minor.release.build) of the program.
QString FileVersionText();

} // namespace sky
