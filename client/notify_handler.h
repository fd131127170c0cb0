#pragma once
// CGameNotifyHandler: maps the framework's notification ids to handlers.
// The main frame hands it every notification of the current connection;
// game layers derive from it, handle their own ids and pass the rest on.
//
// Notification data comes from the server: a payload shorter than what its
// handler reads is refused with a log line.

#include <cstdint>
#include <span>

namespace client {

inline constexpr uint32_t kNotePlayerValues = 211030;
inline constexpr uint32_t kNotePlayerQuit = 211000;
inline constexpr uint32_t kNoteChatWords = 201210;
inline constexpr uint32_t kNoteCall = 201200;
inline constexpr uint32_t kNote211025 = 211025;
inline constexpr uint32_t kNoteLookerLeft = 211020;
inline constexpr uint32_t kNoteSilverShort = 211110;
inline constexpr uint32_t kNoteScoreShort = 211130;
inline constexpr uint32_t kNoteScoreOverLimit = 211132;

inline constexpr uint32_t kPlayerValuesRecordSize = 52;
inline constexpr uint32_t kSoundCalled = 29012;

class CGameNotifyHandler {
  public:
    using Data = std::span<const uint8_t>;

    virtual ~CGameNotifyHandler() = default;
    // Calls the handler of `id`; any other id is ignored. False when the id
    // is unknown or its data too short.
    virtual bool Dispatch(uint32_t id, Data data);
    virtual bool OnPlayerValues(Data data);
    virtual bool OnNotify211000(Data data);
    virtual bool OnChatWords(Data data);
    virtual bool OnCall(Data data);
    virtual bool OnNotify211025(Data data);
    virtual bool OnLookerLeft(Data data);
    virtual bool OnSilverShort(Data data);
    virtual bool OnScoreShort(Data data);
    virtual bool OnScoreOverLimit(Data data);

  protected:
    // True when `data` holds `need` bytes; else a log line naming the id.
    static bool HasBytes(uint32_t id, Data data, size_t need);

  private:
    bool GameOver(uint32_t id, Data data, const char* format);
};

}  // namespace client
