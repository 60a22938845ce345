// The pocket calculator without a display: the input being typed, the
// pending two-operand operation, the answer, the presses of its buttons by
// class and code, the number text (15 significant digits, "." always; the
// display alone follows the locale) and the keys that press buttons.
#pragma once

#include <QChar>
#include <QString>
#include <Qt>

namespace sky {

inline const QString kCalcError = QStringLiteral("# Error");

class CalcEngine {
public:
    QString fInp = QStringLiteral("0");
    double fVal = 0, fAns = 0;
    QChar fOp = u' ';
    bool fNew = true, fErr = false;
    bool submitShown = false; // inside getCalcValue

    // A button by its class ("num", "dop", "sop", "nop", "clr") and code;
    // true when the press submits the answer.
    bool Press(const QString& cls, QChar code);
    // Submit (button, Tab, Space): typed input still pending is computed
    // first, so the value submitted is the one shown.
    void Submit();
    // Backspace: the input's last character, or C when it has fewer than 2.
    void Backspace();
    // getCalcValue with a value other than 0, and showCalc's full reset.
    void Reset(double value);
    void FullReset();

    QString Display() const; // "# Error", the answer or the input (locale decimal point)
    QString OpLabel() const; // the pending sign and a space, or "= "
    // The answer as the editor inserts it.
    QString Value() const { return NumberText(fAns); }

    // 15 significant digits, no trailing zeros; plain for exponents -5 < e <
    // 15, else "E" form (1E15, 1.18059162071741E21, 1E-5); -0 is "0".
    static QString NumberText(double v);
    // The button a released key presses (class "submit", "cancel" and "bs"
    // for those); false for other keys.
    static bool KeyToButton(int key, Qt::KeyboardModifiers mods, QString& cls, QChar& code);

private:
    void Compute();
    void Answer(); // fInp := the answer, as after an operation
    bool FShowAnswer = false;
};

} // namespace sky
