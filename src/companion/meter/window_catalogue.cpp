#include "companion/meter/window_catalogue.h"

#include "registers/catalogue_texts.h"

namespace tavr {

RegisterCatalogue WindowCatalogue() {
    RegisterCatalogue catalogue;
    catalogue.LoadCatalogue(kDecimalsCatalogueText, kUnitsCatalogueText, kRemarksCatalogueText,
                            kMaxLimitsCatalogueText);
    return catalogue;
}

}  // namespace tavr
