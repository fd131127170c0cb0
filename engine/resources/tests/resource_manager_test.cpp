#include "engine/resources/resource_manager.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/resources/hashes.h"
#include "engine/resources/script_host.h"
#include "pictures/tests/log_capture.h"
#include "platform/tests/temp_dir.h"
#include "tools/pictures/picture_writers.h"
#include "tools/pictures/pps_writer.h"

namespace engine {
namespace {

using testing::LogCapture;

// A manager whose fatal path records instead of ending the process.
class ResourceManagerTest : public ::testing::Test {
  protected:
    ResourceManagerTest() {
        rm_.SetFailHandler([this](const std::string& name) { failures_.push_back(name); });
        rm_.SetMessageBox([this](const std::string& text) { boxes_.push_back(text); });
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        dir_.Write(name, bytes);
        return dir_ / name;
    }
    std::string Text(const std::vector<uint8_t>* bytes) {
        return bytes ? std::string(bytes->begin(), bytes->end()) : "(none)";
    }

    platform::testing::TempDir dir_;
    ResourceManager rm_;
    std::vector<std::string> failures_, boxes_;
};

TEST_F(ResourceManagerTest, RegisteredFilesLoadOnFirstUseStayUntilReleasedAndLoadAgain) {
    const uint32_t id = rm_.RegisterFile(Write("Hello.txt", "one"), "", ".text", false, 0);
    const uint32_t other = rm_.RegisterFile(Write("b.txt", "two"), "", ".text", false, 0);
    EXPECT_EQ(id, HashRS("Hello.text"));
    EXPECT_EQ(rm_.FindIdByName("Hello.text"), id);
    EXPECT_EQ(rm_.FindIdByKeys(id, HashJS("Hello.text"), HashX31("Hello.text")), id);
    EXPECT_EQ(rm_.FindIdByKeys(id, 1, 2), 0u);
    Write("Hello.txt", "uno");  // registration read nothing
    EXPECT_EQ(Text(rm_.GetBytesById(id)), std::string("uno") + '\0');
    EXPECT_EQ(rm_.GetRecordById(id)->size, 3u);  // measured by the first read
    Write("Hello.txt", "eins");
    EXPECT_EQ(Text(rm_.GetBytesById(id)), std::string("uno") + '\0');  // kept while loaded
    rm_.ReleaseById(id);
    EXPECT_EQ(rm_.GetRecordById(id)->bytes->at(0), 'e');  // read again on the next use
    EXPECT_EQ(Text(rm_.GetBytesByName("b.text")), std::string("two") + '\0');
    EXPECT_EQ(rm_.GetRecordById(12345), nullptr);
    rm_.FreeRes(other);
    EXPECT_EQ(rm_.GetResCount(), 1u);
    EXPECT_EQ(rm_.FindIdByName("b.text"), 0u);
    // Registering again replaces the record under the same id.
    std::vector<uint32_t> released;
    rm_.SetReleaseCallback([&](ResRecord& r) {
        released.push_back(r.id);
        ResourceManager::FreeResData(r);
    });
    const uint32_t same = rm_.RegisterFile(dir_ / "Hello.txt", "Same", ".text", true, 0);
    EXPECT_NE(rm_.GetRecordById(same)->bytes, std::nullopt);  // loaded now
    EXPECT_EQ(rm_.RegisterFile(dir_ / "Hello.txt", "Same", ".text", false, 0), same);
    EXPECT_EQ(released, std::vector<uint32_t>{same});
    EXPECT_EQ(rm_.GetResCount(), 2u);
}

TEST_F(ResourceManagerTest, HashCollisionsTakeTheNextHashAndAllThreeTakenIsFatal) {
    // Two names with the same HashRS, found by brute force.
    std::unordered_map<uint32_t, std::string> seen;
    std::string first, second;
    for (int i = 0; first.empty(); ++i) {
        const std::string name = "n" + std::to_string(i) + ".text";
        auto [it, fresh] = seen.emplace(HashRS(name), name);
        if (!fresh) first = it->second, second = name;
    }
    const std::string p = Write("c.txt", "c");
    const uint32_t a = rm_.AddResByName(first, p, 0, HashRS(".text"), 0, 0, 0);
    const uint32_t b = rm_.AddResByName(second, p, 0, HashRS(".text"), 0, 0, 0);
    EXPECT_EQ(a, HashRS(first));
    EXPECT_EQ(b, HashJS(second));
    EXPECT_EQ(rm_.FindIdByKeys(b, HashX31(second), HashRS(second)), b);
    EXPECT_EQ(rm_.FindIdByName(second), b);
    EXPECT_EQ(rm_.FindIdByName(first), a);
    LogCapture log;
    for (uint32_t id : {1u, 2u, 3u})
        ASSERT_EQ(rm_.AddRes(id, 100 + id, 200 + id, "filler", p, 0, 0, 0, 0, 0), id);
    EXPECT_EQ(rm_.AddRes(1, 2, 3, "Name", p, 0, 0, 0, 0, 0), 0u);
    const std::string line = "资源名哈希冲突Name,resID:1,key1:2,key2:3";
    EXPECT_EQ(failures_, std::vector<std::string>{line});
    EXPECT_TRUE(log.Contains(line));
}

TEST_F(ResourceManagerTest, ImagesDecodeOnFirstUseAndMissingOnesAreFatal) {
    const pictures::Bytes bmp =
        pictures::Bmp(2, 1, 24, {0, 0, 255, 255, 0, 255, 0, 0});  // red, magenta
    const uint32_t id = rm_.RegisterFile(Write("Cloth.bmp", std::string(bmp.begin(), bmp.end())),
                                         "", ".imge", false, 0);
    EXPECT_EQ(rm_.GetImageIdByName("Cloth"), id);
    const ImageRecord* img = rm_.GetImage(id);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->width, 2);
    EXPECT_EQ(img->id, id);
    EXPECT_EQ(img->flags & kImageKeyed, uint32_t(kImageKeyed));  // the magenta pixel
    EXPECT_EQ(rm_.GetImageByName("Cloth"), img);
    rm_.ReleaseById(id);
    EXPECT_NE(rm_.GetImage(id), nullptr);
    // A missing image fails when it is needed, or at once when loaded now; a
    // missing raw file is not fatal.
    LogCapture log;
    const uint32_t gone = rm_.RegisterFile(dir_ / "gone.bmp", "", ".imge", false, 0);
    EXPECT_TRUE(failures_.empty());
    EXPECT_EQ(rm_.GetImage(gone), nullptr);
    EXPECT_EQ(failures_, std::vector<std::string>{dir_ / "gone.bmp"});
    EXPECT_TRUE(log.Contains("加载失败"));
    EXPECT_EQ(rm_.RegisterFile(dir_ / "none.bmp", "", ".imge", true, 0), 0u);
    EXPECT_EQ(failures_.size(), 2u);
    const uint32_t raw = rm_.RegisterFile(dir_ / "none.txt", "", ".text", true, 0);
    EXPECT_NE(raw, 0u);
    EXPECT_EQ(rm_.GetBytesById(raw), nullptr);
    EXPECT_EQ(failures_.size(), 2u);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(log.Contains("打开失败"));
}

TEST_F(ResourceManagerTest, RootedPathsAreLowerCasedAndPackRangesReadTheirSlice) {
    rm_.SetRoot(dir_.path());
    Write("mixed.txt", "m");
    const uint32_t id = rm_.RegisterFile("MIXED.TXT", "", ".text", false, 1);
    EXPECT_EQ(rm_.FindIdByName("MIXED.text"), id);
    std::string lowered = dir_ / "mixed.txt";
    for (char& c : lowered)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    // The whole path is lower-cased; files are still found case-insensitively.
    EXPECT_EQ(rm_.GetRecordById(id)->path, lowered);
    EXPECT_EQ(rm_.GetBytesById(id)->at(0), 'm');
    const std::string pack = Write("data.pak", "headerPAYLOADtail");
    const uint32_t slice =
        rm_.AddResByName("slice.text", pack, kResInPack, HashRS(".text"), 0, 6, 7);
    EXPECT_EQ(Text(rm_.GetBytesById(slice)), std::string("PAYLOAD") + '\0');
    LogCapture log;
    const uint32_t bad = rm_.AddResByName("past.text", pack, 0, HashRS(".text"), 0, 10, 100);
    EXPECT_EQ(rm_.GetBytesById(bad), nullptr);
    EXPECT_TRUE(log.Contains("打开失败"));
}

class CountingScript : public ScriptHost {
  public:
    int Compile(std::string_view text) override {
        texts.emplace_back(text);
        return text.find("bad") == std::string_view::npos ? 0 : -1;
    }
    uint32_t GetScriptCount() const override { return uint32_t(texts.size()); }
    std::vector<std::string> texts;
};

TEST_F(ResourceManagerTest, ScriptsCompileOnceAndPalettesEnterTheTableUnderTheirOwnName) {
    const uint32_t g =
        rm_.RegisterFile(Write("good.jqs", "function a() end"), "", ".script", false, 0);
    EXPECT_EQ(rm_.GetRecordById(g), nullptr);  // no interpreter: the load fails
    EXPECT_EQ(failures_.size(), 1u);
    CountingScript script;
    rm_.SetScriptInterpreter(&script);
    EXPECT_EQ(rm_.GetScriptInterpreter(), &script);
    EXPECT_NE(rm_.GetRecordById(g), nullptr);
    EXPECT_NE(rm_.GetRecordById(g), nullptr);
    EXPECT_EQ(script.texts, std::vector<std::string>{"function a() end"});
    const uint32_t b = rm_.RegisterFile(Write("bad.jqs", "bad text"), "", ".script", false, 0);
    EXPECT_EQ(rm_.GetRecordById(b), nullptr);
    EXPECT_EQ(failures_.size(), 2u);
    const pictures::Bytes quad = pictures::WriteQuad("Table", 2, {1, 2, 3, 4, 5, 6});
    EXPECT_NE(
        rm_.RegisterFile(Write("p.quad", {quad.begin(), quad.end()}), "pal", ".quad", true, 0), 0u);
    ASSERT_NE(rm_.GetPaletteByName("Table"), nullptr);
    EXPECT_EQ(rm_.GetPaletteByName("Table")->count(), 2u);
    EXPECT_EQ(rm_.GetPaletteCount(), 1u);
    EXPECT_EQ(rm_.GetPaletteByName("pal"), nullptr);
}

// A deleter owns the block it is handed: this one keeps it alive.
std::unique_ptr<uint8_t[]> kept;
void Keep(std::unique_ptr<uint8_t[]> data) {
    kept = std::move(data);
}

TEST_F(ResourceManagerTest, MemoryBlocksIdsAndTheLastReleaseFreeingEverything) {
    void* a = rm_.NewMemRes(100, nullptr);
    void* b = rm_.NewMemRes(28, &Keep);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(rm_.GetMemResBytes(), 128u);
    EXPECT_EQ(rm_.FreeMemRes(b), 28u);
    ASSERT_EQ(kept.get(), b);
    kept[27] = 1;  // still the deleter's: the manager freed nothing behind its back
    kept.reset();
    int local = 0;
    EXPECT_EQ(rm_.FreeMemRes(&local), 0u);  // not ours: left alone
    EXPECT_EQ(rm_.GetMemResBytes(), 100u);
    bool quit = false;
    rm_.SetQuitRequest([&] { quit = true; });
    EXPECT_EQ(rm_.NewMemRes(ResourceManager::kMaxMemRes + 1, nullptr), nullptr);
    EXPECT_TRUE(quit);
    EXPECT_EQ(boxes_, std::vector<std::string>{"系统内存不足!请重新启动您的电脑。"});
    rm_.FreeMemBlocks();
    EXPECT_EQ(rm_.GetMemResBytes(), 0u);
    EXPECT_EQ(rm_.NewUniqueId(), kFirstUniqueId);
    EXPECT_EQ(rm_.NewUniqueId(), kFirstUniqueId + 1);
    rm_.ClearIds();
    EXPECT_EQ(rm_.NewUniqueId(), kFirstUniqueId);
    EXPECT_EQ(rm_.GetCursor("arrow"), nullptr);
    EXPECT_EQ(rm_.GetFlags(), 0u);
    EXPECT_FALSE(rm_.TableLockHeld());
    EXPECT_EQ(&GetResourceManagerInstance(), &GetResourceManagerInstance());
    // Releases count down; the last one frees records and blocks.
    const uint32_t id = rm_.RegisterFile(Write("r.txt", "r"), "", ".text", true, 0);
    rm_.NewMemRes(10, nullptr);
    rm_.AddRef();
    rm_.AddRef();
    rm_.Release();
    EXPECT_EQ(rm_.RefCount(), 1);
    EXPECT_NE(rm_.GetRecordById(id)->bytes, std::nullopt);
    rm_.Release();
    EXPECT_EQ(rm_.GetResCount(), 0u);
    EXPECT_EQ(rm_.GetMemResBytes(), 0u);
}

}  // namespace
}  // namespace engine
