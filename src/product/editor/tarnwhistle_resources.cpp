#include "product/editor/tarnwhistle_editor.h"

#ifdef TW_EMBEDDED_RESOURCES
#include "editor/embedded_resources.h"

const EmbeddedResourceTable& TarnwhistleResources();

const EmbeddedResourceTable* TarnwhistleResourceTable() {
    return &TarnwhistleResources();
}
#else
// A build without the compiled-in table finds the pictures as files.
const EmbeddedResourceTable* TarnwhistleResourceTable() {
    return nullptr;
}
#endif
