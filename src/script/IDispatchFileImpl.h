#pragma once
// The file object: page script saves text it built (plain text or HTML) to a
// file the user picks in a save dialog. open asks for the name and creates
// the file, write appends UTF-8 text, close closes it.
#include "platform/WindowHandle.h"
#include "script/Ref.h"
#include "script/ScriptObject.h"

namespace balvek::script {

class IDispatchFileImpl final : public ScriptObject {
 public:
  static constexpr DISPID kOpen = 101, kClose = 102, kWrite = 103;

  // `owner` owns the save dialog and the message box.
  static Ref<IDispatchFileImpl> Create(platform::WindowHandle owner);

  bool IsOpen() const { return file_ >= 0; }

 protected:
  // For every member: a read places a function object in the result slot,
  // then a call runs the method; neither flag does nothing.
  HRESULT InvokeMember(DISPID id, std::uint16_t wFlags, DispParams& params, Variant* result) override;

 private:
  explicit IDispatchFileImpl(platform::WindowHandle owner);
  ~IDispatchFileImpl() override;

  HRESULT open(DispParams& params, Variant* result);
  HRESULT close(DispParams& params, Variant* result);
  HRESULT write(DispParams& params, Variant* result);
  void CloseFile();

  platform::WindowHandle owner_;
  int file_ = -1;
};

}  // namespace balvek::script
