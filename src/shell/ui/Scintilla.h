// QScintilla's headers use the Qt keywords this project switches off
// (QT_NO_KEYWORDS); they are mapped for the include only.
#pragma once

#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qscilexersql.h>
#include <Qsci/qsciscintilla.h>
#undef signals
#undef slots
