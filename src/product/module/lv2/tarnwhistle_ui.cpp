#include "product/module/lv2/tarnwhistle_ui.h"

#include "product/channel_parameters.h"
#include "product/editor/tarnwhistle_editor.h"

TarnwhistleUI::TarnwhistleUI() : LV2UIAdapter(TarnwhistleConfig()) {
    DefineChannelParameters(Params());
    InstallTarnwhistleEditor(*this);
}

LV2UIAdapter* MakeTarnwhistleUI() {
    return new TarnwhistleUI();
}
