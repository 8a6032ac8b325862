// The clip record under the name the window half of the framework uses.
#pragma once

#include "render/SkinClip.h"
#include "render/SkinRenderer.h"

namespace SkinUI {
typedef CSkinClip CRenderClip;
}  // namespace SkinUI
