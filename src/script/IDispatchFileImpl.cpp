#include "script/IDispatchFileImpl.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/Dialogs.h"
#include "platform/Text.h"

namespace balvek::script {

namespace {

constexpr MemberName kMembers[] = {{u"open", IDispatchFileImpl::kOpen},
                                   {u"close", IDispatchFileImpl::kClose},
                                   {u"write", IDispatchFileImpl::kWrite}};

const ScriptClass kClass{
    .name = "IDispatchFileImpl",
    .members = kMembers,
    .constructLine = "IDispatchFileImpl CONSTRUCT\r\n",
    .destructLine = "IDispatchFileImpl DESTRUCT\r\n",
    .unknownNameStatus = DISP_E_UNKNOWNNAME,
};

// The dialog the user sees: three filters, the one of the extension chosen,
// the overwrite question, existing folders only, read-only files refused.
platform::SaveFileRequest SaveRequest(platform::WindowHandle owner, bool html, std::string title) {
  platform::SaveFileRequest request;
  request.owner = owner;
  request.title = std::move(title);
  request.filters = {{"Text File(*.txt)", "*.txt"}, {"HTML File(*.html)", "*.html"}, {"All(*.*)", "*.*"}};
  request.selected_filter = html ? 1 : 0;
  request.default_extension = html ? "html" : "txt";
  request.overwrite_prompt = true;
  request.existing_folder_only = true;
  request.refuse_read_only = true;
  return request;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

Ref<IDispatchFileImpl> IDispatchFileImpl::Create(platform::WindowHandle owner) {
  return Ref<IDispatchFileImpl>::Adopt(new IDispatchFileImpl(owner));
}

IDispatchFileImpl::IDispatchFileImpl(platform::WindowHandle owner) : ScriptObject(kClass), owner_(owner) {}

IDispatchFileImpl::~IDispatchFileImpl() { CloseFile(); }

HRESULT IDispatchFileImpl::InvokeMember(DISPID id, std::uint16_t wFlags, DispParams& params, Variant* result) {
  using Method = HRESULT (IDispatchFileImpl::*)(DispParams&, Variant*);
  const Method method = id == kOpen ? &IDispatchFileImpl::open
                        : id == kClose ? &IDispatchFileImpl::close
                                       : &IDispatchFileImpl::write;
  if ((wFlags & DISPATCH_PROPERTYGET) && result) {
    *result = Variant();
    DispatchMethod(method, DISPATCH_PROPERTYGET, params, result);
  }
  if (wFlags & DISPATCH_METHOD) return (this->*method)(params, result);
  return S_OK;
}

HRESULT IDispatchFileImpl::open(DispParams& params, Variant* result) {
  if (IsOpen()) return STG_E_INVALIDFUNCTION;
  if (params.cArgs < 2) return E_INVALIDARG;
  const Variant& mode = params.rgvarg[params.cArgs - 1];
  const Variant& extension = params.rgvarg[params.cArgs - 2];
  if (!mode.Is(VT_BSTR)) return E_INVALIDARG;
  if (mode.bstr().View() != u"default") {
    platform::Dialogs().MessageBox(owner_, platform::Utf16ToUtf8(mode.bstr().View()), "", platform::MB_OK);
    return E_INVALIDARG;
  }
  if (!extension.Is(VT_BSTR)) return E_INVALIDARG;
  const std::u16string_view ext = extension.bstr().View();
  if (ext != u".txt" && ext != u".html") return E_INVALIDARG;
  std::string title;
  if (params.cArgs >= 3 && params.rgvarg[params.cArgs - 3].Is(VT_BSTR))
    title = platform::Utf16ToUtf8(params.rgvarg[params.cArgs - 3].bstr().View());

  const std::optional<std::string> path =
      platform::Dialogs().SaveFile(SaveRequest(owner_, ext == u".html", std::move(title)));
  if (path) {
    const int fd = ::open(path->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return TYPE_E_IOERROR;
    file_ = fd;
  }
  if (result) *result = Variant::Bool(path.has_value());
  return S_OK;
}

HRESULT IDispatchFileImpl::close(DispParams&, Variant*) {
  CloseFile();
  return S_OK;
}

HRESULT IDispatchFileImpl::write(DispParams& params, Variant*) {
  if (!IsOpen()) return STG_E_INVALIDFUNCTION;
  if (params.cArgs != 1 || !params.rgvarg[0].Is(VT_BSTR)) return E_INVALIDARG;
  return WriteAll(file_, platform::Utf16ToUtf8(params.rgvarg[0].bstr().View())) ? S_OK : TYPE_E_IOERROR;
}

void IDispatchFileImpl::CloseFile() {
  if (file_ >= 0) ::close(file_);
  file_ = -1;
}

}  // namespace balvek::script
