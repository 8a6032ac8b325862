// Shared internals of the kernel sources (not part of the layer's interface).
#pragma once
#include <condition_variable>
#include <mutex>

#include <snmp.h>
#include <windef.h>

namespace jf {
namespace kernel {

// The process-wide wait lock, which guards the state of every waitable object, and the
// condition on which a new thread waits for its start.
std::mutex& WaitMutex();
std::condition_variable& WaitCondition();

// The thread id of the calling thread (the host's thread id, stable for the thread's life).
DWORD CurrentThreadId();

// Called with the wait lock held by a thread that is ending: the mutexes it owns become
// abandoned before its handle is signaled.
void AbandonOwnedMutexes();

// ntdll.dll!RtlGetVersion, registered by the module table.
LONG RtlGetVersion(void* versionInfo);

// inetmib1.dll's entry points (SnmpAgent.cpp), registered by the module table.
BOOL SnmpExtensionInit(DWORD upTime, HANDLE* trapEvent, AsnObjectIdentifier* region);
BOOL SnmpExtensionInitEx(AsnObjectIdentifier* region);
BOOL SnmpExtensionQuery(BYTE pduType, SnmpVarBindList* binds, AsnInteger32* errorStatus, AsnInteger32* errorIndex);
BOOL SnmpExtensionTrap(AsnObjectIdentifier* enterprise, AsnInteger32* generic, AsnInteger32* specific,
                       AsnTimeticks* stamp, SnmpVarBindList* binds);

}  // namespace kernel

// One thread blocked in a wait; listed on each object it waits for.
struct Waiter {
  std::condition_variable condition;
  bool notified = false;
  int wakeFd = -1;  // an eventfd, when the wait sleeps in poll()
};

}  // namespace jf
