// A catalogue library that lacks some of the four text functions; each .def exports a subset.
#include "catalogue/catalogue.h"

extern "C" {

const char* KX_CATALOGUE_CALL Thes_ErrorGetText(int)
{
    return "Partial error";
}

const char* KX_CATALOGUE_CALL Thes_CommErrorGetText(int)
{
    return "Partial comm error";
}

const char* KX_CATALOGUE_CALL Thes_CaptionGetText(int)
{
    return "Partial caption";
}

const char* KX_CATALOGUE_CALL Thes_TipGetText(int)
{
    return "Partial tip";
}
}
