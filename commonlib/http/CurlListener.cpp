#include "commonlib/http/CurlListener.h"

#include <mutex>
#include <set>

namespace {

struct Registry {
  std::mutex lock;
  std::set<const CurlListener*> live;
};

Registry& Listeners() {
  static Registry* registry = new Registry();  // lives until process exit
  return *registry;
}

}  // namespace

CurlListener::CurlListener() {
  Registry& r = Listeners();
  std::lock_guard<std::mutex> g(r.lock);
  r.live.insert(this);
}

CurlListener::~CurlListener() {
  Registry& r = Listeners();
  std::lock_guard<std::mutex> g(r.lock);
  r.live.erase(this);
}

bool CurlListener::IsAlive(const CurlListener* listener) {
  Registry& r = Listeners();
  std::lock_guard<std::mutex> g(r.lock);
  return listener && r.live.count(listener) != 0;
}
