// Fuzzes the calculator with arbitrary button presses: the answer's display
// is always "# Error" or number text that reads back as a finite number,
// and the value the editor would insert always reads back with ".".
#include "calculator/CalcEngine.h"

#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const classes[] = {"num", "dop", "sop", "nop", "clr"};
    static const char codes[] = "0123456789pasmdp2rpeipce";
    sky::CalcEngine e;
    e.submitShown = size > 0 && (data[0] & 1);
    for (size_t k = 0; k + 1 < size && k < 4096; k += 2) {
        const char* cls = classes[data[k] % 5];
        const QChar code = QLatin1Char(codes[data[k + 1] % (sizeof codes - 1)]);
        if ((data[k] & 0xF0) == 0xF0)
            e.Backspace();
        else if ((data[k] & 0xF0) == 0xE0)
            e.Submit();
        else
            e.Press(QLatin1String(cls), code);
        if (!std::isfinite(e.fAns)) __builtin_trap();
        bool ok = false;
        const double v = e.Value().toDouble(&ok);
        if (!ok || !std::isfinite(v)) __builtin_trap();
        const QString shown = e.Display();
        if (shown != sky::kCalcError && shown.isEmpty()) __builtin_trap();
    }
    return 0;
}
