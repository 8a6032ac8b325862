// The process-wide observer of context menus.
#pragma once
#include "ui/list/ContextMenuParam.h"
#include "ui/list/ObserverImpl.h"

namespace SkinUI {

typedef ObserverImpl<int, ContextMenuParam> ContextMenuObserver;

// Built before main, destroyed at exit.
ContextMenuObserver& GetContextMenuObserver();

}  // namespace SkinUI
