#include "engine/resources/resource_manager.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/resources/hashes.h"
#include "engine/resources/script_host.h"
#include "engine/resources/tests/log_capture.h"
#include "engine/resources/tests/picture_writers.h"

namespace engine {
namespace {

namespace fs = std::filesystem;
using testing::LogCapture;

class TempDir {
  public:
    TempDir() {
        char tmpl[] = "/tmp/qevo_res_XXXXXX";
        path_ = mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string p = path_ + "/" + name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return p;
    }
    std::string Write(const std::string& name, const std::string& text) const {
        return Write(name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// A manager whose fatal path records instead of ending the process.
class ResourceManagerTest : public ::testing::Test {
  protected:
    ResourceManagerTest() {
        rm_.SetFailHandler([this](const std::string& name) { failures_.push_back(name); });
        rm_.SetMessageBox([this](const std::string& text) { boxes_.push_back(text); });
    }
    std::vector<uint8_t> Bmp2x1() {
        testing::DibSpec s;
        s.width = 2, s.height = 1, s.bpp = 24;
        s.data = {0, 0, 255, 255, 0, 255, 0, 0};  // red, magenta, padding
        return testing::WriteBmp(s);
    }

    TempDir dir_;
    ResourceManager rm_;
    std::vector<std::string> failures_;
    std::vector<std::string> boxes_;
};

TEST_F(ResourceManagerTest, RegistersUnderTitleAndCategoryAndLoadsLazily) {
    const std::string path = dir_.Write("Hello.txt", "hi there");
    const uint32_t id = rm_.RegisterFile(path, "", ".text", false, 0);
    EXPECT_EQ(id, HashRS("Hello.text"));
    EXPECT_EQ(rm_.FindIdByName("Hello.text"), id);
    EXPECT_EQ(rm_.FindIdByKeys(id, HashJS("Hello.text"), HashX31("Hello.text")), id);
    EXPECT_EQ(rm_.FindIdByKeys(id, 1, 2), 0u);
    EXPECT_FALSE(rm_.GetRecordById(id) == nullptr);
    const std::vector<uint8_t>* bytes = rm_.GetBytesById(id);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), std::string("hi there") + '\0');
    EXPECT_EQ(rm_.GetRecordById(id)->size, 8u);  // measured by the first read
    EXPECT_EQ(rm_.GetRecordById(12345), nullptr);
}

TEST_F(ResourceManagerTest, NothingIsReadBeforeFirstUseAndAfterReleaseItIsReadAgain) {
    const std::string a = dir_.Write("a.txt", "one");
    const std::string b = dir_.Write("b.txt", "two");
    const uint32_t ia = rm_.RegisterFile(a, "", ".text", false, 0);
    const uint32_t ib = rm_.RegisterFile(b, "", ".text", false, 0);
    // Changing the files before first use shows that registration read nothing.
    dir_.Write("a.txt", "uno");
    EXPECT_EQ(rm_.GetBytesById(ia)->at(0), 'u');
    dir_.Write("a.txt", "eins");
    EXPECT_EQ(rm_.GetBytesById(ia)->at(0), 'u');  // kept while loaded
    rm_.ReleaseById(ia);
    EXPECT_EQ(rm_.GetRecordById(ia)->bytes->at(0), 'e');  // reloaded on next use
    EXPECT_EQ(rm_.GetBytesByName("b.text")->at(1), 'w');
    EXPECT_EQ(rm_.GetResCount(), 2u);
    rm_.FreeRes(ib);
    EXPECT_EQ(rm_.GetResCount(), 1u);
    EXPECT_EQ(rm_.FindIdByName("b.text"), 0u);
}

TEST_F(ResourceManagerTest, RegisteringTwiceReplacesAndKeepsTheId) {
    const std::string p = dir_.Write("x.txt", "first");
    std::vector<uint32_t> released;
    rm_.SetReleaseCallback([&](ResRecord& r) {
        released.push_back(r.id);
        ResourceManager::FreeResData(r);
    });
    const uint32_t id1 = rm_.RegisterFile(p, "Same", ".text", true, 0);
    EXPECT_NE(rm_.GetRecordById(id1)->bytes, std::nullopt);
    const uint32_t id2 = rm_.RegisterFile(p, "Same", ".text", false, 0);
    EXPECT_EQ(id1, id2);
    EXPECT_EQ(released, std::vector<uint32_t>{id1});
    EXPECT_EQ(rm_.GetResCount(), 1u);
}

TEST_F(ResourceManagerTest, FirstHashCollisionTakesTheSecondRotation) {
    // Two names with the same HashRS, found by brute force.
    std::unordered_map<uint32_t, std::string> seen;
    std::string first, second;
    for (int i = 0; first.empty(); ++i) {
        const std::string name = "n" + std::to_string(i) + ".text";
        auto [it, fresh] = seen.emplace(HashRS(name), name);
        if (!fresh) first = it->second, second = name;
    }
    const std::string p = dir_.Write("c.txt", "c");
    const uint32_t a = rm_.AddResByName(first, p, 0, HashRS(".text"), 0, 0, 0);
    const uint32_t b = rm_.AddResByName(second, p, 0, HashRS(".text"), 0, 0, 0);
    EXPECT_EQ(a, HashRS(first));
    EXPECT_EQ(b, HashJS(second));
    EXPECT_EQ(rm_.FindIdByKeys(b, HashX31(second), HashRS(second)), b);
    EXPECT_EQ(rm_.FindIdByName(second), b);
    EXPECT_EQ(rm_.FindIdByName(first), a);
}

TEST_F(ResourceManagerTest, AllThreeHashesTakenReachesTheFailureWithTheCollisionLine) {
    LogCapture log;
    const std::string p = dir_.Write("c.txt", "c");
    for (uint32_t id : {1u, 2u, 3u})
        ASSERT_EQ(rm_.AddRes(id, 100 + id, 200 + id, "filler", p, 0, 0, 0, 0, 0), id);
    EXPECT_EQ(rm_.AddRes(1, 2, 3, "Name", p, 0, 0, 0, 0, 0), 0u);
    const std::string line = "资源名哈希冲突Name,resID:1,key1:2,key2:3";
    ASSERT_EQ(failures_.size(), 1u);
    EXPECT_EQ(failures_[0], line);
    EXPECT_TRUE(log.Contains(line));
}

TEST_F(ResourceManagerTest, MissingImageReachesTheFailureHandlerWithItsPath) {
    LogCapture log;
    const std::string path = dir_.path() + "/gone.bmp";
    const uint32_t id = rm_.RegisterFile(path, "", ".imge", false, 0);
    EXPECT_TRUE(failures_.empty());
    EXPECT_EQ(rm_.GetImage(id), nullptr);
    ASSERT_EQ(failures_.size(), 1u);
    EXPECT_EQ(failures_[0], path);
    EXPECT_TRUE(log.Contains("加载失败"));
}

TEST_F(ResourceManagerTest, ImagesDecodeOnFirstUseAndServeTheScreen) {
    const std::string path = dir_.Write("Cloth.bmp", Bmp2x1());
    const uint32_t id = rm_.RegisterFile(path, "", ".imge", false, 0);
    EXPECT_EQ(rm_.GetImageIdByName("Cloth"), id);
    const ImageRecord* img = rm_.GetImage(id);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->width, 2);
    EXPECT_EQ(img->id, id);
    EXPECT_EQ(img->flags & kImageKeyed, uint32_t(kImageKeyed));  // the magenta pixel
    EXPECT_EQ(rm_.GetImageByName("Cloth"), img);
    rm_.ReleaseById(id);
    EXPECT_NE(rm_.GetImage(id), nullptr);
}

TEST_F(ResourceManagerTest, LoadNowFailureIsFatalButAMissingRawFileIsNot) {
    LogCapture log;
    EXPECT_EQ(rm_.RegisterFile(dir_.path() + "/none.bmp", "", ".imge", true, 0), 0u);
    EXPECT_EQ(failures_.size(), 1u);
    const uint32_t id = rm_.RegisterFile(dir_.path() + "/none.txt", "", ".text", true, 0);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(failures_.size(), 1u);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(rm_.GetBytesById(id), nullptr);
    EXPECT_TRUE(log.Contains("打开失败"));
}

TEST_F(ResourceManagerTest, RootedRegistrationLowerCasesTheStoredPath) {
    rm_.SetRoot(dir_.path() + "/");
    dir_.Write("mixed.txt", "m");
    const uint32_t id = rm_.RegisterFile("MIXED.TXT", "", ".text", false, 1);
    EXPECT_EQ(rm_.FindIdByName("MIXED.text"), id);
    std::string lowered = dir_.path() + "/mixed.txt";
    for (char& c : lowered)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    // The whole path is lower-cased; files are still found case-insensitively.
    EXPECT_EQ(rm_.GetRecordById(id)->path, lowered);
    EXPECT_EQ(rm_.GetBytesById(id)->at(0), 'm');
}

TEST_F(ResourceManagerTest, PackRangesReadTheirSliceOrFailSoundly) {
    const std::string pack = dir_.Write("data.pak", "headerPAYLOADtail");
    const uint32_t id = rm_.AddResByName("slice.text", pack, kResInPack, HashRS(".text"), 0, 6, 7);
    const auto* bytes = rm_.GetBytesById(id);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end() - 1), "PAYLOAD");
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

TEST_F(ResourceManagerTest, ScriptsCompileOnceThroughTheInterpreter) {
    const std::string good = dir_.Write("good.jqs", "function a() end");
    const std::string bad = dir_.Write("bad.jqs", "bad text");
    const uint32_t g = rm_.RegisterFile(good, "", ".script", false, 0);
    EXPECT_EQ(rm_.GetRecordById(g), nullptr);  // no interpreter: the load fails
    EXPECT_EQ(failures_.size(), 1u);
    CountingScript script;
    rm_.SetScriptInterpreter(&script);
    EXPECT_EQ(rm_.GetScriptInterpreter(), &script);
    EXPECT_NE(rm_.GetRecordById(g), nullptr);
    EXPECT_NE(rm_.GetRecordById(g), nullptr);
    EXPECT_EQ(script.texts, std::vector<std::string>{"function a() end"});
    const uint32_t b = rm_.RegisterFile(bad, "", ".script", false, 0);
    EXPECT_EQ(rm_.GetRecordById(b), nullptr);
    EXPECT_EQ(failures_.size(), 2u);
}

TEST_F(ResourceManagerTest, PalettesEnterTheTableUnderTheirOwnName) {
    std::vector<uint8_t> quad(32, 0);
    const char name[] = "Table";
    std::copy(name, name + 5, quad.begin());
    quad.push_back(2);
    quad.push_back(0);
    for (uint8_t v : {1, 2, 3, 4, 5, 6})
        quad.push_back(v);
    const uint32_t id = rm_.RegisterFile(dir_.Write("p.quad", quad), "pal", ".quad", true, 0);
    EXPECT_NE(id, 0u);
    ASSERT_NE(rm_.GetPaletteByName("Table"), nullptr);
    EXPECT_EQ(rm_.GetPaletteByName("Table")->count(), 2u);
    EXPECT_EQ(rm_.GetPaletteCount(), 1u);
    EXPECT_EQ(rm_.GetPaletteByName("pal"), nullptr);
}

TEST_F(ResourceManagerTest, ReleaseHonoursTheReferenceCount) {
    const std::string p = dir_.Write("r.txt", "r");
    const uint32_t id = rm_.RegisterFile(p, "", ".text", true, 0);
    rm_.AddRef();
    rm_.AddRef();
    rm_.Release();
    EXPECT_EQ(rm_.RefCount(), 1);
    EXPECT_NE(rm_.GetRecordById(id)->bytes, std::nullopt);
    rm_.NewMemRes(10, nullptr);
    rm_.Release();
    EXPECT_EQ(rm_.RefCount(), 0);
    EXPECT_EQ(rm_.GetResCount(), 0u);
    EXPECT_EQ(rm_.GetMemResBytes(), 0u);
}

// A deleter owns the block it is handed: this one keeps it alive.
std::unique_ptr<uint8_t[]> kept;
void Keep(std::unique_ptr<uint8_t[]> data) {
    kept = std::move(data);
}

TEST_F(ResourceManagerTest, TrackedMemoryBlocks) {
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
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "系统内存不足!请重新启动您的电脑。");
    rm_.FreeMemBlocks();
    EXPECT_EQ(rm_.GetMemResBytes(), 0u);
}

TEST_F(ResourceManagerTest, UniqueIdsAndEmptyTables) {
    EXPECT_EQ(rm_.NewUniqueId(), kFirstUniqueId);
    EXPECT_EQ(rm_.NewUniqueId(), kFirstUniqueId + 1);
    rm_.ClearIds();
    EXPECT_EQ(rm_.NewUniqueId(), kFirstUniqueId);
    EXPECT_EQ(rm_.GetCursor("arrow"), nullptr);
    EXPECT_EQ(rm_.GetFlags(), 0u);
    EXPECT_FALSE(rm_.TableLockHeld());
}

TEST(ResourceManagerInstance, IsOneObject) {
    EXPECT_EQ(&GetResourceManagerInstance(), &GetResourceManagerInstance());
}

}  // namespace
}  // namespace engine
