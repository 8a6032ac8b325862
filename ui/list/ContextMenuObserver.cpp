#include "ui/list/ContextMenuObserver.h"

namespace SkinUI {

namespace {

ContextMenuObserver s_contextMenuObserver;

}  // namespace

ContextMenuObserver& GetContextMenuObserver() { return s_contextMenuObserver; }

}  // namespace SkinUI
