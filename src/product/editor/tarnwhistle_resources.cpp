#include "editor/embedded_resources.h"
#include "product/editor/tarnwhistle_editor.h"

const EmbeddedResourceTable& TarnwhistleResources();

const EmbeddedResourceTable* TarnwhistleResourceTable() {
    return &TarnwhistleResources();
}
