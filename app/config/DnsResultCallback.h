// The answer of the first name lookup, delivered on the main thread: exactly one address
// that is a selector key picks the spare download list.
#pragma once

#include <string>

// domain: ANSI text; ipList: UTF-8 addresses joined by ";".
void dns_result_callback(int code, void* context, const std::string& domain, const std::string& ipList);
