#include "splitting/CharClasses.h"
#include "splitting/Splitting.h"

void NormalizeWidth(std::u16string& text) {
    for (char16_t& c : text)
        c = splitting_detail::NarrowWidth(c);
}
