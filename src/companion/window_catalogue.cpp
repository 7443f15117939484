#include "companion/window_catalogue.h"

#include "registers/catalogue_texts.h"

namespace tavr {

RegisterCatalogue WindowCatalogue() {
    RegisterCatalogue catalogue;
    catalogue.LoadCatalogue(DecimalsCatalogueText, UnitsCatalogueText, RemarksCatalogueText,
                            MaxLimitsCatalogueText);
    return catalogue;
}

}  // namespace tavr
