// The calculator's presses and its number text.
#include "calculator/CalcEngine.h"

#include <QLocale>
#include <cmath>

namespace sky {

namespace {

double ToNumber(const QString& text) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok ? v : (std::isinf(v) ? v : 0.0);
}

QChar SignOf(QChar op) {
    switch (op.unicode()) {
    case u'/':
        return QChar(0x00F7); // ÷
    case u'^':
        return QChar(0x02B8);
    case u'x':
        return QChar(0x00D7); // ×
    default:
        return op;
    }
}

} // namespace

QString CalcEngine::NumberText(double v) {
    if (!std::isfinite(v)) return kCalcError;
    if (v == 0) return QStringLiteral("0");
    // The digits after rounding to 15 significant ones, and their exponent.
    const QString e = QString::number(std::fabs(v), 'e', 14); // d.dddddddddddddde+XX
    const qsizetype at = e.indexOf(u'e');
    QString digits = e.left(at);
    digits.remove(u'.');
    const int exp = e.mid(at + 1).toInt();
    while (digits.size() > 1 && digits.endsWith(u'0'))
        digits.chop(1);
    QString out;
    if (exp > -5 && exp < 15) {
        if (exp >= 0) {
            QString whole = digits.left(exp + 1);
            whole = whole.leftJustified(exp + 1, u'0');
            const QString frac = digits.mid(exp + 1);
            out = frac.isEmpty() ? whole : whole + u'.' + frac;
        } else {
            out = QStringLiteral("0.") + QString(-exp - 1, u'0') + digits;
        }
    } else {
        out = digits.left(1) + (digits.size() > 1 ? u'.' + digits.mid(1) : QString()) + u'E' +
              QString::number(exp);
    }
    return v < 0 ? u'-' + out : out;
}

void CalcEngine::Compute() {
    switch (fOp.unicode()) {
    case u'+':
        fAns += fVal;
        break;
    case u'-':
        fAns -= fVal;
        break;
    case u'x':
        fAns *= fVal;
        break;
    case u'/':
        if (fVal == 0) {
            fAns = 0;
            fErr = true;
        } else {
            fAns /= fVal;
        }
        break;
    case u'^': {
        const double r = std::pow(fAns, fVal);
        if (!std::isfinite(r)) {
            fErr = true;
            fAns = 0;
            fInp = QStringLiteral("0");
            fOp = u' ';
        } else {
            fAns = r;
        }
        break;
    }
    default:
        break;
    }
    if (!std::isfinite(fAns)) {
        fErr = true;
        fAns = 0;
    }
}

void CalcEngine::Answer() {
    if (!std::isfinite(fAns)) {
        fErr = true;
        fAns = 0;
    }
    fInp = NumberText(fAns);
    fNew = true;
    FShowAnswer = true;
}

bool CalcEngine::Press(const QString& cls, QChar code) {
    fErr = false;
    fVal = ToNumber(fInp);
    const QChar c = code.toLower();
    bool submit = false;
    if (!std::isfinite(fVal) && cls != QLatin1String("clr") && cls != QLatin1String("num")) {
        // A typed number too large for a double.
        fErr = true;
        fAns = 0;
        fOp = u' ';
        Answer();
        return false;
    }
    if (cls == QLatin1String("clr")) {
        if (c == u'c') {
            fAns = 0;
            fOp = u' ';
        }
        fInp = QStringLiteral("0");
        fNew = true;
        FShowAnswer = false;
    } else if (cls == QLatin1String("num")) {
        if (!c.isDigit() && c != u'p') return false; // no such button
        if (fNew || fInp == QLatin1String("0")) {
            fInp.clear();
            fNew = false;
        }
        if (c == u'p') {
            if (fInp.isEmpty()) fInp = QStringLiteral("0");
            if (!fInp.contains(u'.')) fInp += u'.';
        } else if (c.isDigit()) {
            fInp += c;
        }
        FShowAnswer = false;
    } else if (cls == QLatin1String("nop")) {
        if (c == u'e') {
            if (fOp == u' ') {
                // "=" again on a result that stands as shown submits it.
                submit = submitShown && fAns != 0 && NumberText(fAns) == NumberText(fVal);
                fAns = fVal;
            } else {
                Compute();
                fOp = u' ';
            }
            Answer();
        } else if (c == u'i') {
            if (!fInp.isEmpty() && fInp != QLatin1String("0") && fInp != QLatin1String("0.")) {
                if (fInp.startsWith(u'-'))
                    fInp.remove(0, 1);
                else
                    fInp.prepend(u'-');
            }
            FShowAnswer = false;
        } else if (c == u'p') {
            fInp = NumberText(3.1415926535897932385);
            FShowAnswer = false;
        }
    } else if (cls == QLatin1String("sop")) {
        if (c == u'2') {
            fAns = fVal * fVal;
        } else if (c == u'r') {
            if (fVal < 0) {
                fErr = true;
                fAns = 0;
            } else {
                fAns = std::sqrt(fVal);
            }
        } else if (c == u'p') {
            switch (fOp.unicode()) {
            case u' ':
                fAns = fVal / 100;
                break;
            case u'+':
                fVal = 1 + fVal / 100;
                fOp = u'x';
                Compute();
                break;
            case u'-':
                fVal = 1 - fVal / 100;
                fOp = u'x';
                Compute();
                break;
            case u'/':
                Compute();
                fAns *= 100;
                break;
            case u'^':
                fVal /= 100;
                Compute();
                break;
            case u'x':
                Compute();
                fAns /= 100;
                break;
            default:
                break;
            }
        }
        if (fErr) fAns = 0;
        fOp = u' ';
        Answer();
    } else if (cls == QLatin1String("dop")) {
        if (!fNew && fOp != u' ')
            Compute();
        else if (!fNew)
            fAns = fVal;
        Answer();
        switch (c.unicode()) {
        case u'a':
            fOp = u'+';
            break;
        case u'd':
            fOp = u'/';
            break;
        case u'm':
            fOp = u'x';
            break;
        case u'p':
            fOp = u'^';
            break;
        case u's':
            fOp = u'-';
            break;
        default:
            break;
        }
    }
    return submit;
}

void CalcEngine::Submit() {
    if (!fNew) Press(QStringLiteral("nop"), u'e');
}

void CalcEngine::Backspace() {
    if (fInp.size() < 2) {
        Press(QStringLiteral("clr"), u'c');
        return;
    }
    fInp.chop(1);
    // "-2" loses its digit: what is left is no number.
    if (fInp == QLatin1String("-")) {
        fInp = QStringLiteral("0");
        fNew = true;
    }
    FShowAnswer = false;
}

void CalcEngine::Reset(double value) {
    fErr = false;
    // The value given is also the left operand: "x 2 =" doubles it.
    fAns = std::isfinite(value) ? value : 0;
    fOp = u' ';
    fInp = NumberText(value);
    fNew = true;
    FShowAnswer = false;
}

void CalcEngine::FullReset() {
    Reset(0);
}

QString CalcEngine::Display() const {
    if (FShowAnswer && fErr) return kCalcError;
    QString t = FShowAnswer ? NumberText(fAns) : fInp;
    return t.replace(u'.', QLocale().decimalPoint());
}

QString CalcEngine::OpLabel() const {
    if (FShowAnswer && fOp == u' ') return QStringLiteral("= ");
    return QString(SignOf(fOp)) + u' ';
}

bool CalcEngine::KeyToButton(int key, Qt::KeyboardModifiers mods, QString& cls, QChar& code) {
    cls = QStringLiteral("num");
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        code = QChar(u'0' + (key - Qt::Key_0));
        return true;
    }
    if (mods & Qt::KeypadModifier) {
        static const struct {
            int key;
            char digit;
        } nav[] = {{Qt::Key_Insert, '0'},   {Qt::Key_End, '1'},  {Qt::Key_Down, '2'},
                   {Qt::Key_PageDown, '3'}, {Qt::Key_Left, '4'}, {Qt::Key_Clear, '5'},
                   {Qt::Key_Right, '6'},    {Qt::Key_Home, '7'}, {Qt::Key_Up, '8'},
                   {Qt::Key_PageUp, '9'}};
        for (const auto& n : nav)
            if (key == n.key) {
                code = QLatin1Char(n.digit);
                return true;
            }
    }
    switch (key) {
    case Qt::Key_Enter:
    case Qt::Key_Return:
    case Qt::Key_Equal:
        cls = QStringLiteral("nop");
        code = u'e';
        return true;
    case Qt::Key_Plus:
        cls = QStringLiteral("dop");
        code = u'a';
        return true;
    case Qt::Key_Minus:
        cls = QStringLiteral("dop");
        code = u's';
        return true;
    case Qt::Key_Asterisk:
        cls = QStringLiteral("dop");
        code = u'm';
        return true;
    case Qt::Key_Slash:
        cls = QStringLiteral("dop");
        code = u'd';
        return true;
    case Qt::Key_Delete:
    case Qt::Key_Comma:
    case Qt::Key_Period:
        code = u'p';
        return true;
    case Qt::Key_Backspace:
        cls = QStringLiteral("bs");
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Space:
        cls = QStringLiteral("submit");
        return true;
    case Qt::Key_Escape:
        cls = QStringLiteral("cancel");
        return true;
    default:
        break;
    }
    return false;
}

} // namespace sky
