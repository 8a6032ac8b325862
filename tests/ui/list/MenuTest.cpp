#include <functional>
#include <memory>

#include "tests/ui/list/ListTestHost.h"
#include "ui/control/ButtonUI.h"
#include "ui/control/LabelUI.h"
#include "ui/list/ContextMenuObserver.h"
#include "ui/list/ListContainerElementUI.h"
#include "ui/list/MenuUI.h"

using namespace listtest;

namespace {

// A menu element: a container row that answers "MenuElement".
class ItemUI : public CListContainerElementUI {
 public:
  ItemUI(int cx, int cy) {
    SetFixedWidth(cx);
    SetFixedHeight(cy);
  }
  LPVOID GetInterface(LPCWSTR name) override {
    if (name && wcscmp(name, L"MenuElement") == 0) return this;
    return CListContainerElementUI::GetInterface(name);
  }
};

class Receiver : public ReceiverImplBase<int, ContextMenuParam> {
 public:
  Receiver(std::vector<std::string>* log, std::string name) : m_log(log), m_name(std::move(name)) {}
  void AddObserver(ObserverImplBase<int, ContextMenuParam>* observer) override {
    m_observer = observer;
    m_log->push_back(m_name + ".add");
  }
  void RemoveObserver() override { m_log->push_back(m_name + ".remove"); }
  int Receive(ContextMenuParam param) override {
    m_log->push_back(m_name + ".receive" + std::to_string(param.wParam));
    if (onCall) onCall();
    return 7;
  }
  int Respond(ContextMenuParam param, ObserverImplBase<int, ContextMenuParam>* observer) override {
    m_log->push_back(m_name + ".respond" + std::to_string(param.wParam) + (observer == m_observer ? "" : "?"));
    if (onCall) onCall();
    return 7;
  }
  ObserverImplBase<int, ContextMenuParam>* m_observer = nullptr;
  std::function<void()> onCall;  // runs inside each call

 private:
  std::vector<std::string>* m_log;
  std::string m_name;
};

}  // namespace

TEST_F(ListTest, MenuTakesOnlyMenuElementsAndStacksThem) {
  CMenuUI* menu = new CMenuUI;
  EXPECT_FALSE(menu->GetHeader()->IsVisible());
  for (const wchar_t* name : {L"Menu", L"MENU", L"menu"}) EXPECT_EQ(menu->GetInterface(name), menu);
  EXPECT_STREQ(menu->GetClass(), L"MenuUI");
  // Plain controls are refused.
  CLabelUI label;
  CButtonUI button;
  EXPECT_FALSE(menu->Add(&label));
  EXPECT_FALSE(menu->AddAt(&button, 0));
  EXPECT_EQ(menu->GetItemIndex(&label), -1);
  EXPECT_FALSE(menu->SetItemIndex(&label, 0));
  EXPECT_FALSE(menu->Remove(&label));
  EXPECT_EQ(menu->GetCount(), 0);
  EXPECT_EQ(menu->EstimateSize(SIZE{500, 500}).cx, 0);
  // Elements: their own sub-elements are hidden, other children stay.
  ItemUI* a = new ItemUI(80, 20);
  ItemUI* sub = new ItemUI(10, 10);
  CControlUI* plain = new CControlUI;
  a->Add(sub);
  a->Add(plain);
  EXPECT_TRUE(menu->Add(a));
  EXPECT_FALSE(sub->IsVisible());
  EXPECT_TRUE(plain->IsVisible());
  EXPECT_TRUE(a->IsVisible());
  ItemUI* b = new ItemUI(120, 24);
  EXPECT_TRUE(menu->AddAt(b, 0));
  EXPECT_EQ(menu->GetItemIndex(a), 1);
  ItemUI* c = new ItemUI(200, 30);
  menu->Add(c);
  struct Case {
    bool showC;
    bool showA;
    LONG cx, cy;
  } cases[] = {{true, true, 200, 74}, {false, true, 120, 44}, {false, false, 120, 24}};
  for (const Case& k : cases) {
    c->SetVisible(k.showC);
    a->SetVisible(k.showA);
    SIZE sz = menu->EstimateSize(SIZE{500, 500});
    EXPECT_EQ(sz.cx, k.cx);
    EXPECT_EQ(sz.cy, k.cy);
  }
  b->SetVisible(false);
  EXPECT_EQ(menu->EstimateSize(SIZE{500, 500}).cy, 0);
  EXPECT_TRUE(menu->SetItemIndex(a, 0));
  EXPECT_TRUE(menu->Remove(b));
  EXPECT_EQ(menu->GetCount(), 2);
  Place(menu, L"menu", RECT{10, 10, 210, 110});
}

TEST(ContextMenuObserver, ReceiversInOrderAndReverse) {
  std::vector<std::string> log;
  ObserverImpl<int, ContextMenuParam> observer;
  ContextMenuParam param;
  param.wParam = 3;
  EXPECT_EQ(observer.Broadcast(param), 0);
  EXPECT_TRUE(log.empty());
  Receiver one(&log, "one"), two(&log, "two");
  observer.AddReceiver(&one);
  observer.AddReceiver(nullptr);
  observer.AddReceiver(&two);
  EXPECT_EQ(observer.Broadcast(param), 0);
  EXPECT_EQ(observer.RBroadcast(param), 0);
  EXPECT_EQ(observer.Notify(param), 0);
  observer.RemoveReceiver(&one);
  observer.RemoveReceiver(&one);
  observer.RemoveReceiver(nullptr);
  observer.Broadcast(param);
  EXPECT_EQ(log, (Strings{"one.add", "two.add", "one.receive3", "two.receive3", "two.receive3", "one.receive3",
                          "one.respond3", "two.respond3", "two.receive3"}));
  EXPECT_EQ(GetContextMenuObserver().GetReceiverCount(), 0);
}

// Receivers that leave, or make others leave or join, during a walk: every receiver there at
// the start and still there is called once, in each direction and by Notify alike.
TEST(ContextMenuObserver, ReceiversLeavingDuringAWalk) {
  struct Case {
    const char* walk;
    int caller;  // the receiver whose call changes the list
    int leaves;  // the receiver that leaves then
    Strings calls;
  } cases[] = {
      {"broadcast", 0, 0, {"a", "b", "c", "d"}}, {"broadcast", 1, 2, {"a", "b", "d"}},
      {"broadcast", 2, 0, {"a", "b", "c", "d"}}, {"rbroadcast", 3, 0, {"d", "c", "b"}},
      {"rbroadcast", 3, 3, {"d", "c", "b", "a"}}, {"notify", 0, 0, {"a", "b", "c", "d"}},
      {"notify", 1, 3, {"a", "b", "c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.walk) + " " + std::to_string(c.caller) + " " + std::to_string(c.leaves));
    std::vector<std::string> log;
    ObserverImpl<int, ContextMenuParam> observer;
    std::vector<std::unique_ptr<Receiver>> receivers;
    for (const char* name : {"a", "b", "c", "d"}) {
      receivers.emplace_back(new Receiver(&log, name));
      observer.AddReceiver(receivers.back().get());
    }
    Receiver late(&log, "late");
    Receiver* leaving = receivers[c.leaves].get();
    receivers[c.caller]->onCall = [&] {
      observer.RemoveReceiver(leaving);
      observer.AddReceiver(&late);  // joins after the walk began: not called by it
    };
    log.clear();
    ContextMenuParam param;
    if (std::string(c.walk) == "broadcast") observer.Broadcast(param);
    if (std::string(c.walk) == "rbroadcast") observer.RBroadcast(param);
    if (std::string(c.walk) == "notify") observer.Notify(param);
    Strings calls;
    for (const std::string& e : log) {
      if (e.find(".add") == std::string::npos) calls.push_back(e.substr(0, e.find('.')));
    }
    EXPECT_EQ(calls, c.calls);
  }
}
