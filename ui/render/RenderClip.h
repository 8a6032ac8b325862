// The clip record under the name the window half of the framework uses.
#pragma once

#include "ui/render/SkinClip.h"
#include "ui/render/SkinRenderer.h"

namespace SkinUI {
typedef CSkinClip CRenderClip;
}  // namespace SkinUI
