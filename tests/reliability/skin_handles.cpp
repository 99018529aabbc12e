#include "tests/reliability/skin_handles.h"

namespace reliability {

std::vector<HGDIOBJ> HandlesOf(const Skin* skin)
{
    std::vector<HGDIOBJ> handles;
    if (skin == nullptr) {
        return handles;
    }
    for (HBITMAP bitmap : {skin->normalBitmap, skin->selectedBitmap, skin->regionTemplate}) {
        if (bitmap != nullptr) {
            handles.push_back(bitmap);
        }
    }
    for (int i = 0; i < skin->buttonCount; ++i) {
        handles.push_back(skin->buttons[i].region);
    }
    for (HDC source : {skin->normalSource, skin->selectedSource}) {
        if (source != nullptr) {
            handles.push_back(source);
        }
    }
    return handles;
}

int CountLive(const std::vector<HGDIOBJ>& handles)
{
    int live = 0;
    for (HGDIOBJ handle : handles) {
        if (GetObjectType(handle) != 0) {
            ++live;
        }
    }
    return live;
}

}  // namespace reliability
