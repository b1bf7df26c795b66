#pragma once
// The host's view container as the editor sees it; it lives in the core so a
// host adapter can implement it without seeing the editor.
#include "core/host_view_container.h"
