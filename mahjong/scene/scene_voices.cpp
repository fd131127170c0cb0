// The table's voices, its music and the skin switch: operation words and
// tile names from each seat's voice folder, "default.mp3" from the style's
// sound folder, and the next style's pictures and sounds.
#include <string>

#include "client/game_app.h"
#include "engine/sound_manager.h"
#include "mahjong/app/client_app.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/table_scene.h"
#include "rules/tile.h"

namespace mahjong {
namespace {

bool Silent() {
    client::CGameApp* app = client::CGameApp::Current();
    return app && app->IsSilent() != 0;
}

}  // namespace

std::string CMJTableScene::GetSeatVoiceDir(int32_t seat) const {
    CClientApp* app = CClientApp::Current();
    if (!app || !IsSeat(seat)) return {};
    return app->GetSeatPanel()->Seat(seat).voiceFolder;
}

void CMJTableScene::PlayOperationSound(int32_t seat, int32_t code) {
    CMJTableSceneBase::PlayOperationSound(seat, code);
    const std::string name = GetOperationSoundName(code);
    const std::string folder = GetSeatVoiceDir(seat);
    // A code without a word, or a seat without a voice, stays silent.
    if (name.empty() || folder.empty() || Silent()) return;
    GetWorld().Sound().PlayFile(folder + name + ".wav");
}

void CMJTableScene::PlayTileSound(int32_t seat, int32_t tile) {
    CMJTableSceneBase::PlayTileSound(seat, tile);
    const int32_t index = rules::TileKindOrZero(tile, RuleFlags());
    const std::string folder = GetSeatVoiceDir(seat);
    if (index <= 0 || folder.empty() || Silent()) return;
    GetWorld().Sound().PlayFile(folder + std::to_string(assets::TileVoiceNumber(index)) + ".wav");
}

void CMJTableScene::PlayMusic() {
    engine::SoundManager& sound = GetWorld().Sound();
    if (sound.MusicOpen() && sound.MusicPlaying()) {
        sound.MciClose();
        musicOn_ = 0;
        return;
    }
    sound.OpenMusic(assets::kMusicFile);
    sound.MciPlay();
    musicOn_ = 1;
}

void CMJTableScene::OnGameStart() {
    CMJTableSceneBase::OnGameStart();
    if (musicOn_ != 0 && !GetWorld().Sound().MusicPlaying()) PlayMusic();
}

bool CMJTableScene::ChangeSkin() {
    const int32_t count = int32_t(styles_.size());
    const std::string& current = styles_[size_t(currentStyle_ % count)];
    int32_t next = -1;
    for (int32_t step = 1; step < count && next < 0; ++step) {
        const int32_t candidate = (currentStyle_ + step) % count;
        const std::string& name = styles_[size_t(candidate)];
        if (!name.empty() && name != current) next = candidate;
    }
    if (next < 0) return false;
    LoadTileImages(styles_[size_t(next)]);
    currentStyle_ = next;

    // The bars keep their buttons' states; the operation bar shows while
    // one of its buttons is clickable.
    bool any = false;
    for (int32_t n = kPengButton; n <= kPassButton; ++n)
        any = any || IsButtonEnabled(n);
    effects_.Add({Effect::kButtonBar, any ? 1 : 0});
    RefreshEntities(100);
    InvalidateAll();

    engine::SoundManager& sound = GetWorld().Sound();
    if (sound.MusicOpen() && sound.MusicPlaying()) {
        sound.MciClose();
        sound.OpenMusic(assets::kMusicFile);
        sound.MciPlay();
    }
    // The note entity is hidden.
    effects_.Add({Effect::kDelayedMessage, 0, 210052, -1});
    return true;
}

}  // namespace mahjong
