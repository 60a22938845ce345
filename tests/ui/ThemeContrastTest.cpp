// Every theme is readable: text roles at least 4.5:1 on their backgrounds,
// disabled texts visible yet dimmer, SQL colours readable on the editor, and
// every SQL editor styled from the theme.
#include "shell/Colours.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"
#include "shell/ui/Themes.h"

#include <QApplication>
#include <QFontInfo>
#include <gtest/gtest.h>

namespace sky::test {
namespace {

using namespace sky::ui;

uint32_t Rgb(const QColor& c) {
    return c.rgb() & 0xFFFFFF;
}

double Contrast(const QPalette& p, QPalette::ColorGroup g, QPalette::ColorRole fg,
                QPalette::ColorRole bg) {
    return ContrastRatio(Rgb(p.color(g, fg)), Rgb(p.color(g, bg)));
}

QStringList NamedThemes() {
    QStringList names = ThemeNames();
    names.removeAll(kPlatformTheme);
    return names;
}

TEST(ThemeContrast, TextRolesAreReadable) {
    const std::pair<QPalette::ColorRole, QPalette::ColorRole> pairs[] = {
        {QPalette::WindowText, QPalette::Window},
        {QPalette::Text, QPalette::Base},
        {QPalette::Text, QPalette::AlternateBase},
        {QPalette::ButtonText, QPalette::Button},
        {QPalette::HighlightedText, QPalette::Highlight},
        {QPalette::ToolTipText, QPalette::ToolTipBase},
        {QPalette::Link, QPalette::Base},
    };
    for (const QString& name : NamedThemes()) {
        const QPalette p = ThemePalette(name);
        for (const auto& [fg, bg] : pairs) {
            SCOPED_TRACE(name.toStdString() + " role " + std::to_string(fg));
            EXPECT_GE(Contrast(p, QPalette::Active, fg, bg), kReadableContrast);
        }
    }
}

// Disabled menu items and buttons: seen (at least 2:1) but clearly off (well
// below the enabled text).
TEST(ThemeContrast, DisabledTextIsVisibleButDimmer) {
    const std::pair<QPalette::ColorRole, QPalette::ColorRole> pairs[] = {
        {QPalette::WindowText, QPalette::Window},
        {QPalette::Text, QPalette::Base},
        {QPalette::ButtonText, QPalette::Button},
    };
    for (const QString& name : NamedThemes()) {
        const QPalette p = ThemePalette(name);
        for (const auto& [fg, bg] : pairs) {
            SCOPED_TRACE(name.toStdString() + " role " + std::to_string(fg));
            const double off = Contrast(p, QPalette::Disabled, fg, bg);
            EXPECT_GE(off, 2.0);
            EXPECT_LT(off, 0.6 * Contrast(p, QPalette::Active, fg, bg));
        }
    }
}

TEST(ThemeContrast, SqlColoursAreReadableOnTheEditor) {
    for (const QString& name : ThemeNames()) {
        SCOPED_TRACE(name.toStdString());
        const SqlColours c = ThemeSqlColours(name);
        const uint32_t base =
            Rgb(name == kPlatformTheme ? QApplication::palette().color(QPalette::Base)
                                       : ThemePalette(name).color(QPalette::Base));
        for (const QRgb colour :
             {c.keyword, c.string, c.number, c.comment, c.identifier, c.op, c.plain})
            EXPECT_GE(ContrastRatio(colour & 0xFFFFFF, base), kReadableContrast)
                << QColor(colour).name().toStdString();
    }
}

TEST(ThemeContrast, StatusColoursGetReadableVariants) {
    for (const QString& name : NamedThemes()) {
        const QColor base = ThemePalette(name).color(QPalette::Base);
        for (const QColor wanted : {QColor(52, 103, 103), QColor(Qt::red), QColor(0, 128, 0)})
            EXPECT_GE(ContrastRatio(Rgb(ReadableOn(wanted, base)), Rgb(base)), kReadableContrast)
                << name.toStdString();
    }
}

TEST(SqlEditorTheme, EditorsFollowTheTheme) {
    for (const QString& name : NamedThemes()) {
        SCOPED_TRACE(name.toStdString());
        QsciScintilla editor;
        StyleSqlEditor(&editor, name);
        auto* lexer = qobject_cast<QsciLexerSQL*>(editor.lexer());
        ASSERT_TRUE(lexer);
        const SqlColours c = ThemeSqlColours(name);
        const QColor base = ThemePalette(name).color(QPalette::Base);
        EXPECT_EQ(lexer->color(QsciLexerSQL::Keyword), QColor(c.keyword));
        EXPECT_EQ(lexer->color(QsciLexerSQL::SingleQuotedString), QColor(c.string));
        EXPECT_EQ(lexer->color(QsciLexerSQL::DoubleQuotedString), QColor(c.identifier));
        EXPECT_EQ(lexer->color(QsciLexerSQL::CommentLine), QColor(c.comment));
        for (int style :
             {int(QsciLexerSQL::Default), int(QsciLexerSQL::Keyword), int(QsciLexerSQL::Comment)})
            EXPECT_EQ(lexer->paper(style), base);
        EXPECT_TRUE(QFontInfo(lexer->font(QsciLexerSQL::Default)).fixedPitch());
        // Styling again (a theme change) keeps the one lexer.
        StyleSqlEditor(&editor, QStringLiteral("Paper White"));
        EXPECT_EQ(editor.lexer(), lexer);
    }
}

} // namespace
} // namespace sky::test
