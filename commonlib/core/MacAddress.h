// The machine's hardware address as 12 lower-case hex digits, for the reports.
#pragma once

// IP helper way (first adapter that is up and has a hardware address), SNMP as fallback.
const wchar_t* GetMacAddress();
// The SNMP way; null when the agent cannot be loaded.
const wchar_t* GetMacAddressBySnmp();
