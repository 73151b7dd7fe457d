#include "ui_manager.h"

#include <msxml.h>

#include <new>

#include "com_types.h"
#include "logger.h"

namespace {

// {F6D90F11-9C73-11D3-B32E-00C04F990BB4}
const CLSID kDomDocumentClass = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
// {2933BF81-7B36-11D2-B20E-00C04F983E60}
const IID kDomDocumentInterface = {0x2933BF81, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

constexpr int kStringTableId = 137;

std::optional<CUIManager::TableBytes> EmbeddedTable() {
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(kStringTableId), L"XML");
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (loaded == nullptr) return std::nullopt;
  const void* data = LockResource(loaded);
  if (data == nullptr) return std::nullopt;
  return CUIManager::TableBytes{data, SizeofResource(GetModuleHandleW(nullptr), found)};
}

CUIManager::TableSource g_tableSource = &EmbeddedTable;

std::wstring LowerAscii(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

// A value with an apostrophe would end its literal early and make the query
// invalid, which counts as no match. It is decided here: parsers differ in
// how they fail on such a query (Wine's crashes).
bool FitsQueryLiteral(const std::wstring& value) { return value.find(L'\'') == std::wstring::npos; }

// Runs one query; true and `text` set when an element matched.
bool SelectText(IXMLDOMDocument* document, const std::wstring& query, std::wstring& text) {
  Bstr queryText(SysAllocString(query.c_str()));
  if (queryText.Get() == nullptr) throw std::bad_alloc();
  ComPtr<IXMLDOMNode> node;
  document->selectSingleNode(queryText.Get(), node.Receive());
  if (!node) return false;
  Bstr nodeText;
  node->get_text(nodeText.Receive());
  text = nodeText.Get() != nullptr ? std::wstring(nodeText.Get(), SysStringLen(nodeText.Get())) : std::wstring();
  return true;
}

}  // namespace

void CUIManager::SetTableSource(TableSource source) { g_tableSource = source != nullptr ? source : &EmbeddedTable; }

std::wstring CUIManager::GetString(const std::wstring& locale, const std::wstring& key) {
  std::wstring result;
  const std::wstring lowerLocale = LowerAscii(locale);
  try {
    const std::optional<TableBytes> table = g_tableSource();
    if (!table || table->data == nullptr) {
      CLogger::Instance()->Write(LogLevel::Error, L"CUIManager::GetString , failed to get the string resource");
      return result;
    }
    // The first unit is the byte-order mark; an odd last byte is ignored.
    const DWORD units = table->size / 2 >= 1 ? table->size / 2 - 1 : 0;
    std::wstring text(static_cast<const wchar_t*>(table->data) + 1, units);
    Bstr tableText(SysAllocString(text.c_str()));
    if (tableText.Get() == nullptr) throw std::bad_alloc();

    ComPtr<IXMLDOMDocument> document;
    CoCreateInstance(kDomDocumentClass, nullptr, CLSCTX_ALL, kDomDocumentInterface,
                     reinterpret_cast<void**>(document.Receive()));
    VARIANT_BOOL parsed = VARIANT_FALSE;
    if (document) {
      Bstr copy(
          SysAllocStringByteLen(reinterpret_cast<const char*>(tableText.Get()), SysStringByteLen(tableText.Get())));
      document->loadXML(copy.Get(), &parsed);
    }
    if (!document || parsed != VARIANT_TRUE) {
      CLogger::Instance()->Write(LogLevel::Error, L"GetString , failed to load the string xml");
      return result;
    }

    if (FitsQueryLiteral(lowerLocale) && FitsQueryLiteral(key) &&
        SelectText(document.Get(), L"UIStrings/Strings[@locale='" + lowerLocale + L"']/str[@loc='" + key + L"']",
                   result)) {
      return result;
    }
    if (FitsQueryLiteral(key) &&
        SelectText(document.Get(), L"UIStrings/Strings[@locale='en-us']/str[@loc='" + key + L"']", result)) {
      return result;
    }
    CLogger::Instance()->Write(LogLevel::Error, L"failed to get the string from xml node");
  } catch (...) {
    const int lastError = static_cast<int>(GetLastError());
    CLogger::Instance()->Write(LogLevel::Error, L"Exception occured while reading the string, ErrorCode: %d",
                               lastError);
  }
  return result;
}
