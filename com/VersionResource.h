// The values of the DLL's version resource, in one place: the resource
// script builds the resource from them and the tests read them back. Plain
// definitions only, so that the resource compiler reads this file too.
#ifndef VOKAUTOSAVE_VERSION_RESOURCE_H
#define VOKAUTOSAVE_VERSION_RESOURCE_H

// The file's own version, which is not the product's: "major.minor" with
// two digits of minor in the texts.
#define ADDIN_FILE_VERSION_MAJOR 1
#define ADDIN_FILE_VERSION_MINOR 0
#define ADDIN_FILE_VERSION_TEXT "1.00"

#define ADDIN_COMPANY_NAME "Morvane"
#define ADDIN_INTERNAL_NAME "vokAutoSave412"
#define ADDIN_ORIGINAL_FILENAME "vokAutoSave412.DLL"

// One string table, US English in UTF-16; its block is named "040904B0".
#define ADDIN_VERSION_LANGUAGE 0x409
#define ADDIN_VERSION_CODEPAGE 1200

#endif
