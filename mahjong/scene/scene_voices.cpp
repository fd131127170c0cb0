// The table's voices, its music and the skin switch: operation words and
// tile names from each seat's voice folder, "default.mp3" from the style's
// sound folder, and the next style's pictures and sounds.
#include <string>

#include "engine/sound_manager.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {

void CMJTableScene::PlayOperationSound(int32_t seat, int32_t code) {
    if (const std::string path = OperationVoice(seat, code); !path.empty())
        GetWorld().Sound().PlayFile(path);
}

void CMJTableScene::PlayTileSound(int32_t seat, int32_t tile) {
    if (const std::string path = TileVoice(seat, tile); !path.empty())
        GetWorld().Sound().PlayFile(path);
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
    ShowOperationBar(AnyButtonEnabled());
    RefreshEntities(100);
    InvalidateAll();

    engine::SoundManager& sound = GetWorld().Sound();
    if (sound.MusicOpen() && sound.MusicPlaying()) {
        sound.MciClose();
        sound.OpenMusic(assets::kMusicFile);
        sound.MciPlay();
    }
    HideButtonNote();
    return true;
}

}  // namespace mahjong
