// The SNMP extension-agent interface and the snmpapi helpers: what a program needs to load a
// MIB agent ("inetmib1.dll"), query it and free what it answers.
#pragma once

#include "windef.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SNMP_FUNC_TYPE WINAPI
#define SNMPAPI INT
#define SNMPAPI_NOERROR TRUE
#define SNMPAPI_ERROR FALSE

#define ASN_UNIVERSAL 0x00
#define ASN_APPLICATION 0x40
#define ASN_PRIMITIVE 0x00
#define ASN_CONSTRUCTOR 0x20
#define ASN_INTEGER (ASN_UNIVERSAL | ASN_PRIMITIVE | 0x02)
#define ASN_INTEGER32 ASN_INTEGER
#define ASN_OCTETSTRING (ASN_UNIVERSAL | ASN_PRIMITIVE | 0x04)
#define ASN_NULL (ASN_UNIVERSAL | ASN_PRIMITIVE | 0x05)
#define ASN_OBJECTIDENTIFIER (ASN_UNIVERSAL | ASN_PRIMITIVE | 0x06)
#define ASN_SEQUENCE (ASN_UNIVERSAL | ASN_CONSTRUCTOR | 0x10)
#define ASN_IPADDRESS (ASN_APPLICATION | ASN_PRIMITIVE | 0x00)
#define ASN_COUNTER32 (ASN_APPLICATION | ASN_PRIMITIVE | 0x01)
#define ASN_GAUGE32 (ASN_APPLICATION | ASN_PRIMITIVE | 0x02)
#define ASN_TIMETICKS (ASN_APPLICATION | ASN_PRIMITIVE | 0x03)

#define SNMP_PDU_GET 0xA0
#define SNMP_PDU_GETNEXT 0xA1
#define SNMP_PDU_SET 0xA3

#define SNMP_ERRORSTATUS_NOERROR 0
#define SNMP_ERRORSTATUS_TOOBIG 1
#define SNMP_ERRORSTATUS_NOSUCHNAME 2
#define SNMP_ERRORSTATUS_BADVALUE 3
#define SNMP_ERRORSTATUS_READONLY 4
#define SNMP_ERRORSTATUS_GENERR 5

typedef LONG AsnInteger32;
typedef ULONG AsnUnsigned32;
typedef ULARGE_INTEGER AsnCounter64;
typedef AsnUnsigned32 AsnCounter32;
typedef AsnUnsigned32 AsnGauge32;
typedef AsnUnsigned32 AsnTimeticks;
typedef AsnInteger32 AsnInteger;

typedef struct {
  BYTE* stream;
  UINT length;
  BOOL dynamic;
} AsnOctetString;
typedef AsnOctetString AsnBits;
typedef AsnOctetString AsnSequence;
typedef AsnOctetString AsnImplicitSequence;
typedef AsnOctetString AsnIPAddress;
typedef AsnOctetString AsnNetworkAddress;
typedef AsnOctetString AsnDisplayString;
typedef AsnOctetString AsnOpaque;

typedef struct {
  UINT idLength;
  UINT* ids;
} AsnObjectIdentifier;
typedef AsnObjectIdentifier AsnObjectName;

typedef struct {
  BYTE asnType;
  union {
    AsnInteger32 number;
    AsnUnsigned32 unsigned32;
    AsnCounter64 counter64;
    AsnOctetString string;
    AsnBits bits;
    AsnObjectIdentifier object;
    AsnSequence sequence;
    AsnIPAddress address;
    AsnCounter32 counter;
    AsnGauge32 gauge;
    AsnTimeticks ticks;
    AsnOpaque arbitrary;
  } asnValue;
} AsnAny;
typedef AsnAny AsnObjectSyntax;

typedef struct {
  AsnObjectName name;
  AsnObjectSyntax value;
} SnmpVarBind;

typedef struct {
  SnmpVarBind* list;
  UINT len;
} SnmpVarBindList;

// The entry points of an extension agent, found with GetProcAddress.
typedef BOOL(SNMP_FUNC_TYPE* PFNSNMPEXTENSIONINIT)(DWORD dwUpTimeReference, HANDLE* phSubagentTrapEvent,
                                                   AsnObjectIdentifier* pFirstSupportedRegion);
typedef BOOL(SNMP_FUNC_TYPE* PFNSNMPEXTENSIONINITEX)(AsnObjectIdentifier* pNextSupportedRegion);
typedef BOOL(SNMP_FUNC_TYPE* PFNSNMPEXTENSIONQUERY)(BYTE bPduType, SnmpVarBindList* pVarBindList,
                                                    AsnInteger32* pErrorStatus, AsnInteger32* pErrorIndex);
typedef BOOL(SNMP_FUNC_TYPE* PFNSNMPEXTENSIONTRAP)(AsnObjectIdentifier* pEnterpriseOid,
                                                   AsnInteger32* pGenericTrapId, AsnInteger32* pSpecificTrapId,
                                                   AsnTimeticks* pTimeStamp, SnmpVarBindList* pVarBindList);

// snmpapi: memory of the SNMP values (an agent frees and allocates varbind parts with these).
LPVOID SNMP_FUNC_TYPE SnmpUtilMemAlloc(UINT nBytes);
VOID SNMP_FUNC_TYPE SnmpUtilMemFree(LPVOID pMem);
SNMPAPI SNMP_FUNC_TYPE SnmpUtilOidCpy(AsnObjectIdentifier* pOidDst, AsnObjectIdentifier* pOidSrc);
VOID SNMP_FUNC_TYPE SnmpUtilOidFree(AsnObjectIdentifier* pOid);
SNMPAPI SNMP_FUNC_TYPE SnmpUtilOidNCmp(AsnObjectIdentifier* pOid1, AsnObjectIdentifier* pOid2, UINT nSubIds);
SNMPAPI SNMP_FUNC_TYPE SnmpUtilOidCmp(AsnObjectIdentifier* pOid1, AsnObjectIdentifier* pOid2);
SNMPAPI SNMP_FUNC_TYPE SnmpUtilAsnAnyCpy(AsnAny* pAnyDst, AsnAny* pAnySrc);
VOID SNMP_FUNC_TYPE SnmpUtilAsnAnyFree(AsnAny* pAny);
VOID SNMP_FUNC_TYPE SnmpUtilVarBindFree(SnmpVarBind* pVb);

#ifdef __cplusplus
}
#endif
