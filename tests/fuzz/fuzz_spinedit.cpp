// The spin edit's number and text rules (SpinEditModel) under any sequence of operations with
// any arguments: limits and values as a reply could carry them (finite, of any size), any base,
// decimals and separator, any characters typed at any focus place. Whatever happens, the stored
// value stays within the limits (when they differ) and the focus character lies inside the text.

#include "fuzzinput.h"
#include "spineditmodel.h"

#include <cstdlib>

namespace {

void checkInvariants(const tovra::SpinEditModel &model)
{
    // Equal limits mean no limits at all.
    if (model.MinValue() < model.MaxValue()
        && (model.Value() < model.MinValue() || model.Value() > model.MaxValue()))
        std::abort();
    if (model.focusIndex() < -1 || model.focusIndex() >= model.text().size())
        std::abort();
    if (model.drawnText().size() != model.text().size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    tovra::fuzz::FuzzInput input(data, size);
    tovra::SpinEditModel model;
    // A sequence long enough to reach any state, short enough to stay fast.
    for (int step = 0; step < 64 && !input.atEnd(); ++step) {
        switch (input.byte() % 14) {
        case 0:
            model.setMinValue(input.finiteDouble());
            break;
        case 1:
            model.setMaxValue(input.finiteDouble());
            break;
        case 2:
            model.setValue(input.finiteDouble());
            break;
        case 3:
            model.setIncrement(input.finiteDouble());
            break;
        case 4:
            model.setDecimals(int(int8_t(input.byte())));
            break;
        case 5:
            model.setBase(int(int8_t(input.byte())));
            break;
        case 6:
            model.setThousandSeparator(QChar(char16_t(input.word())));
            break;
        case 7:
            model.moveFocusTo(int(int8_t(input.byte())));
            break;
        case 8:
            model.enterDigit(QChar(char16_t(input.word())));
            break;
        case 9:
            model.stepBy(input.byte() & 1 ? 1 : -1);
            break;
        case 10:
            model.RightZero();
            break;
        case 11:
            model.limitText(input.finiteDouble());
            break;
        case 12: {
            const int x = int(int16_t(input.word()));
            const int charWidth = 1 + input.byte() % 16;
            model.placeAt(x, [charWidth](const QString &prefix) { return int(prefix.size()) * charWidth; });
            break;
        }
        case 13:
            model.IntValue();
            tovra::SpinEditModel::limitPlace(input.finiteDouble(), 2 + input.byte() % 19);
            break;
        }
        checkInvariants(model);
    }
    return 0;
}
