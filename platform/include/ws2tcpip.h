// Address helpers of Winsock 2: getaddrinfo, freeaddrinfo, inet_pton, inet_ntop and
// getnameinfo are the host's.
#pragma once
#include "winsock2.h"

typedef struct addrinfo ADDRINFOA, *PADDRINFOA;
typedef struct sockaddr_in6 SOCKADDR_IN6_LH;
typedef struct in6_addr IN6_ADDR;

#ifndef INET_ADDRSTRLEN
#define INET_ADDRSTRLEN 16
#endif
#ifndef INET6_ADDRSTRLEN
#define INET6_ADDRSTRLEN 46
#endif
