#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <sstream>

#include "fakes/RecordingDialogs.h"
#include "fakes/TempDir.h"
#include "script/ArgumentBlock.h"
#include "script/IDispatchFileImpl.h"

namespace balvek::script {
namespace {

using testing::RecordingDialogs;
using testing::TempDir;

constexpr platform::WindowHandle kOwner = 42;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int OpenDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir)) ++count;
    closedir(dir);
  }
  return count;
}

class FileObjectTest : public ::testing::Test {
 protected:
  HRESULT Call(DISPID id, std::vector<Variant> args, Variant* result = nullptr,
               std::uint16_t flags = DISPATCH_METHOD) {
    ArgumentBlock block(std::move(args));
    return file->Invoke(id, IID_NULL, 0, flags, &block.params(), result, nullptr, nullptr);
  }
  HRESULT Open(std::vector<Variant> args, Variant* result = nullptr) {
    return Call(IDispatchFileImpl::kOpen, std::move(args), result);
  }
  HRESULT Write(std::u16string text) { return Call(IDispatchFileImpl::kWrite, {Variant::String(text)}); }
  // Opens the file `path` through a dialog that answers with it.
  void OpenAt(const std::string& path) {
    dialogs.ScriptSavePaths({path});
    Variant opened;
    ASSERT_EQ(Open({Variant::String(u"default"), Variant::String(u".txt")}, &opened), S_OK);
    ASSERT_TRUE(opened.Is(VT_BOOL) && opened.boolVal() == VARIANT_TRUE);
  }

  RecordingDialogs dialogs;
  TempDir dir;
  Ref<IDispatchFileImpl> file = IDispatchFileImpl::Create(kOwner);
};

TEST_F(FileObjectTest, OpenRefusesWrongArgumentsBeforeAnyDialog) {
  struct Case {
    const char* what;
    std::vector<Variant> args;
  };
  const Case cases[] = {
      {"no arguments", {}},
      {"one argument", {Variant::String(u"default")}},
      {"mode a number", {Variant::I4(1), Variant::String(u".txt")}},
      {"extension in capitals", {Variant::String(u"default"), Variant::String(u".TXT")}},
      {"extension .htm", {Variant::String(u"default"), Variant::String(u".htm")}},
      {"extension a number", {Variant::String(u"default"), Variant::I4(0)}},
  };
  for (const Case& c : cases) {
    Variant result;
    EXPECT_EQ(Open(c.args, &result), E_INVALIDARG) << c.what;
    EXPECT_TRUE(result.Is(VT_EMPTY)) << c.what;
  }
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_TRUE(dialogs.saves.empty());
}

TEST_F(FileObjectTest, AnotherModeIsShownThenRefused) {
  EXPECT_EQ(Open({Variant::String(u"append"), Variant::String(u".txt")}), E_INVALIDARG);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].text, "append");
  EXPECT_EQ(dialogs.boxes[0].owner, kOwner);
  EXPECT_EQ(dialogs.boxes[0].caption, "");
  EXPECT_EQ(dialogs.boxes[0].flags, platform::MB_OK);
  EXPECT_TRUE(dialogs.saves.empty());
}

TEST_F(FileObjectTest, DialogSettingsFollowTheExtensionAndTitle) {
  Variant result;
  EXPECT_EQ(Open({Variant::String(u"default"), Variant::String(u".html"), Variant::String(u"統計を保存")}, &result),
            S_OK);
  EXPECT_EQ(Open({Variant::String(u"default"), Variant::String(u".txt"), Variant::I4(3)}), S_OK);
  ASSERT_EQ(dialogs.saves.size(), 2u);
  const platform::SaveFileRequest& html = dialogs.saves[0];
  EXPECT_EQ(html.owner, kOwner);
  EXPECT_EQ(html.title, "統計を保存");
  ASSERT_EQ(html.filters.size(), 3u);
  EXPECT_EQ(html.filters[0].name, "Text File(*.txt)");
  EXPECT_EQ(html.filters[0].pattern, "*.txt");
  EXPECT_EQ(html.filters[1].name, "HTML File(*.html)");
  EXPECT_EQ(html.filters[1].pattern, "*.html");
  EXPECT_EQ(html.filters[2].name, "All(*.*)");
  EXPECT_EQ(html.filters[2].pattern, "*.*");
  EXPECT_EQ(html.selected_filter, 1u);
  EXPECT_EQ(html.default_extension, "html");
  EXPECT_TRUE(html.overwrite_prompt && html.existing_folder_only && html.refuse_read_only);
  const platform::SaveFileRequest& text = dialogs.saves[1];
  EXPECT_EQ(text.title, "");
  EXPECT_EQ(text.selected_filter, 0u);
  EXPECT_EQ(text.default_extension, "txt");
}

TEST_F(FileObjectTest, CancelledDialogGivesFalseAndNoFile) {
  Variant result;
  EXPECT_EQ(Open({Variant::String(u"default"), Variant::String(u".txt")}, &result), S_OK);
  ASSERT_TRUE(result.Is(VT_BOOL));
  EXPECT_EQ(result.boolVal(), VARIANT_FALSE);
  EXPECT_FALSE(file->IsOpen());
  EXPECT_EQ(Write(u"a"), STG_E_INVALIDFUNCTION);
}

TEST_F(FileObjectTest, WritesAppendUtf8WithoutAnythingAdded) {
  const std::string path = dir / "out.txt";
  { std::ofstream(path) << "old content that open truncates"; }
  OpenAt(path);
  EXPECT_EQ(Write(u"a"), S_OK);
  EXPECT_EQ(Write(u"b"), S_OK);
  EXPECT_EQ(Write(u""), S_OK);
  EXPECT_EQ(Call(IDispatchFileImpl::kWrite, {Variant::String(Bstr())}), S_OK);
  EXPECT_EQ(Write(u"\r\n牌譜"), S_OK);
  EXPECT_EQ(Write(std::u16string(1, u'\xD800')), S_OK);
  EXPECT_EQ(Call(IDispatchFileImpl::kClose, {}), S_OK);
  EXPECT_EQ(ReadFile(path), "ab\r\n\xE7\x89\x8C\xE8\xAD\x9C\xEF\xBF\xBD");
}

TEST_F(FileObjectTest, StatesOfOpenWriteAndClose) {
  const std::string first = dir / "first.txt";
  OpenAt(first);
  EXPECT_EQ(Open({Variant::String(u"default"), Variant::String(u".txt")}), STG_E_INVALIDFUNCTION);
  EXPECT_EQ(Call(IDispatchFileImpl::kWrite, {}), E_INVALIDARG);
  EXPECT_EQ(Call(IDispatchFileImpl::kWrite, {Variant::String(u"a"), Variant::String(u"b")}), E_INVALIDARG);
  EXPECT_EQ(Call(IDispatchFileImpl::kWrite, {Variant::I4(5)}), E_INVALIDARG);
  EXPECT_EQ(Call(IDispatchFileImpl::kClose, {}), S_OK);
  EXPECT_EQ(Call(IDispatchFileImpl::kClose, {}), S_OK);
  EXPECT_EQ(Write(u"late"), STG_E_INVALIDFUNCTION);

  // One object saves several files in turn.
  const std::string second = dir / "second.html";
  OpenAt(second);
  EXPECT_EQ(Write(u"<p>"), S_OK);
  EXPECT_EQ(Call(IDispatchFileImpl::kClose, {}), S_OK);
  EXPECT_EQ(ReadFile(first), "");
  EXPECT_EQ(ReadFile(second), "<p>");
}

TEST_F(FileObjectTest, CreateAndWriteFailuresAreIoErrors) {
  dialogs.ScriptSavePaths({dir / "missing/out.txt"});
  Variant result;
  EXPECT_EQ(Open({Variant::String(u"default"), Variant::String(u".txt")}, &result), TYPE_E_IOERROR);
  EXPECT_TRUE(result.Is(VT_EMPTY));
  EXPECT_FALSE(file->IsOpen());

  OpenAt("/dev/full");
  EXPECT_EQ(Write(u"no room"), TYPE_E_IOERROR);
  EXPECT_TRUE(file->IsOpen());
  EXPECT_EQ(Write(u""), S_OK);
}

TEST_F(FileObjectTest, ReleasingTheObjectClosesTheFileAndKeepsItsContent) {
  const int before = OpenDescriptors();
  const std::string path = dir / "kept.txt";
  OpenAt(path);
  EXPECT_EQ(Write(u"kept"), S_OK);
  EXPECT_EQ(OpenDescriptors(), before + 1);
  file.Reset();
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(ReadFile(path), "kept");
}

TEST_F(FileObjectTest, FlagOrderReadThenCall) {
  const std::string path = dir / "flags.txt";
  dialogs.ScriptSavePaths({path});
  Variant result;
  // Both flags: the function object first, then open's boolean replaces it.
  ASSERT_EQ(Call(IDispatchFileImpl::kOpen, {Variant::String(u"default"), Variant::String(u".txt")}, &result,
                 DISPATCH_METHOD | DISPATCH_PROPERTYGET),
            S_OK);
  EXPECT_TRUE(result.Is(VT_BOOL) && result.boolVal() == VARIANT_TRUE);
  // write leaves the function object in the slot.
  result.Clear();
  EXPECT_EQ(Call(IDispatchFileImpl::kWrite, {Variant::String(u"x")}, &result, DISPATCH_METHOD | DISPATCH_PROPERTYGET),
            S_OK);
  EXPECT_TRUE(result.Is(VT_DISPATCH));
  // A read alone gives a callable function object.
  Variant close;
  EXPECT_EQ(Call(IDispatchFileImpl::kClose, {}, &close, DISPATCH_PROPERTYGET), S_OK);
  ASSERT_TRUE(close.Is(VT_DISPATCH));
  EXPECT_TRUE(file->IsOpen());
  DispParams none;
  EXPECT_EQ(close.dispatch()->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_FALSE(file->IsOpen());
  EXPECT_EQ(ReadFile(path), "x");
  // Neither flag: nothing happens.
  Variant untouched;
  EXPECT_EQ(Call(IDispatchFileImpl::kOpen, {Variant::String(u"default"), Variant::String(u".txt")}, &untouched,
                 DISPATCH_PROPERTYPUT),
            S_OK);
  EXPECT_TRUE(untouched.Is(VT_EMPTY));
  EXPECT_EQ(dialogs.saves.size(), 1u);
}

TEST_F(FileObjectTest, UnknownNamesAndIds) {
  const char16_t* names[] = {u"Open"};
  DISPID id = 0;
  EXPECT_EQ(file->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  const char16_t* known[] = {u"write"};
  EXPECT_EQ(file->GetIDsOfNames(IID_NULL, known, 1, 0, &id), S_OK);
  EXPECT_EQ(id, IDispatchFileImpl::kWrite);
  EXPECT_EQ(Call(104, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(DISPID_VALUE, {}, nullptr, DISPATCH_PROPERTYGET), DISP_E_MEMBERNOTFOUND);
}

}  // namespace
}  // namespace balvek::script
