// The GDI handles a skin holds, and the check that a freed skin left none of them alive.
#pragma once

#include "skin/skin.h"

#include <vector>

namespace reliability {

// The three bitmaps that exist, then the regions of the counted entries.
std::vector<HGDIOBJ> HandlesOf(const Skin* skin);
// How many of the handles still name a live object.
int CountLive(const std::vector<HGDIOBJ>& handles);

}  // namespace reliability
