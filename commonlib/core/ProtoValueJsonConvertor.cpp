#include "commonlib/core/ProtoValueJsonConvertor.h"

#include <exception>

#include "commonlib/logger/FileLogger.h"
#include "commonlib/logger/TraceLogger.h"
#include "commonlib/util/StringUtils.h"

namespace ProtoValueJsonConvertor {

bool FromJson(const std::wstring& text, ProtoValue& out) {
  std::string document = StringUtils::WideToUtf8(text);
  size_t nul = document.find('\0');
  if (nul != std::string::npos) document.resize(nul);

  Json::Reader reader;
  Json::Value root;
  bool parsed = false;
  std::string message;
  try {
    parsed = reader.parse(document, root, true);
    if (!parsed) message = reader.getFormattedErrorMessages();
  } catch (const std::exception& e) {
    // The reader gives up by throwing on nesting past its limit.
    message = e.what();
  }
  if (!parsed) {
    std::wstring error = StringUtils::AnsiToWide(message);
    const wchar_t* format = L"解析 AddGameInvite json失败，data:%s error:%s";
    FileLogger::Instance().LogAt(kLogError, 130, L".\\util\\ProtoValueJsonConvertor", format, text.c_str(),
                                 error.c_str());
    TraceLogger::Instance().Log(kLogError, format, text.c_str(), error.c_str());
    return false;
  }
  return JsonToValue(root, out);
}

bool ToJson(const ProtoValue& value, std::wstring& out) {
  Json::Value root;
  if (!ValueToJson(value, root)) return false;
  // The classic styled writer (three-blank indentation), as the stored and signed texts of
  // the Windows program have it.
  Json::StyledWriter writer;
  out = StringUtils::Utf8ToWide(writer.write(root));
  return true;
}

bool JsonToValue(const Json::Value& json, ProtoValue& out) {
  switch (json.type()) {
    case Json::nullValue: out.clear(); break;
    case Json::intValue: out = ProtoValue(static_cast<long long>(json.asInt64())); break;
    case Json::uintValue: out = ProtoValue(static_cast<long long>(json.asUInt64())); break;
    case Json::realValue: out = ProtoValue(json.asDouble()); break;
    case Json::stringValue: out = ProtoValue(StringUtils::Utf8ToWide(json.asString())); break;
    case Json::booleanValue: out = ProtoValue(json.asBool() ? 1 : 0); break;
    case Json::arrayValue:
      for (Json::ArrayIndex i = 0; i < json.size(); ++i) {
        ProtoValue element;
        JsonToValue(json[i], element);
        out.append(element);
      }
      break;
    case Json::objectValue: {
      Json::Value::Members names = json.getMemberNames();
      for (const std::string& name : names) {
        ProtoValue member;
        JsonToValue(json[name], member);
        out[StringUtils::Utf8ToWide(name)].swap(member);
      }
      break;
    }
  }
  return true;
}

bool ValueToJson(const ProtoValue& value, Json::Value& out) {
  switch (value.type()) {
    case PV_NULL: out = Json::Value(); return true;
    case PV_INTEGER: out = Json::Value(static_cast<Json::Int64>(value.integer())); return true;
    case PV_REAL: out = Json::Value(value.real()); return true;
    case PV_BYTES: return false;
    case PV_STRING: out = Json::Value(StringUtils::WideToUtf8(value.string())); return true;
    case PV_ARRAY:
      for (const ProtoValue& element : *value.array()) {
        Json::Value converted;
        ValueToJson(element, converted);
        out.append(converted);
      }
      return true;
    case PV_MAP:
      for (const auto& entry : *value.map()) {
        Json::Value converted;
        ValueToJson(entry.second, converted);
        out[StringUtils::WideToUtf8(entry.first)] = converted;
      }
      return true;
  }
  return false;
}

}  // namespace ProtoValueJsonConvertor
