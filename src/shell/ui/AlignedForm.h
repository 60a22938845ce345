// The settings and information pages as aligned forms: captions right
// aligned in one column, each field at the width its content asks for, the
// rows kept together at the top left of the page.
#pragma once

class QFormLayout;
class QLineEdit;
class QWidget;

namespace sky::ui {

// A form in the page's top left corner (the page gets its layout).
QFormLayout* NewAlignedForm(QWidget* page);
// A line edit wide enough for about chars characters, no wider.
void SizeForChars(QLineEdit* edit, int chars);

} // namespace sky::ui
