#include "client/hall_client.h"

#include "platform/message.h"
#include "transport/log.h"

namespace client {
namespace {

void LogLine(const std::string& line) {
    transport::LogPrintf("%s", line.c_str());
}

OwnSeat SeatOf(const LaunchLine& line) {
    return OwnSeat{line.userId, line.tableNo, line.chair, line.lookerFlag, line.hallWindow};
}

}  // namespace

HallClient::HallClient(const LaunchLine& line, std::string endpointPath)
    : line_(line),
      own_(SeatOf(line)),
      link_(line.hallWindow,
            endpointPath.empty() ? platform::HallEndpointPath(line.hallWindow)
                                 : std::move(endpointPath),
            LogLine) {}

void HallClient::NotifyHall(platform::HWND mainWindow) {
    link_.SetTarget(mainWindow);
    if (!link_.IsWindow()) return;
    platform::DWORD_PTR result = 0;
    link_.SendMessageTimeout(kHallMsgMainWindow, platform::ToWParam(mainWindow),
                             platform::LPARAM(own_.tableNo), platform::SMTO_NORMAL,
                             kHallSendTimeoutMs, &result);
}

HallReport HallClient::MakeReport(uint32_t code, uint32_t serverMajor, uint32_t serverMinor,
                                  uint32_t connectionLost) const {
    HallReport r;
    r.code = code;
    r.userId = own_.userId;
    r.tableNo = own_.tableNo;
    r.chair = own_.chair;
    r.serverMajor = serverMajor;
    r.lookerFlag = own_.lookerFlag;
    r.connectionLost = connectionLost;
    r.gameId = line_.gameId;
    r.serverMinor = serverMinor;
    return r;
}

void HallClient::ReportToHall(const HallReport& report) {
    if (!link_.IsWindow()) return;
    const auto bytes = report.Encode();
    const platform::COPYDATASTRUCT cds{report.CopyDataType(), platform::DWORD(bytes.size()),
                                       bytes.data()};
    platform::DWORD_PTR result = 0;
    link_.SendCopyData(report.code, cds, platform::SMTO_NORMAL, kHallSendTimeoutMs, &result);
}

void HallClient::PostToHall(uint32_t message, platform::HWND mainWindow, uint32_t userId) {
    link_.PostMessage(message, platform::ToWParam(mainWindow), platform::LPARAM(userId));
}

HallCopyResult HallClient::OnCopyData(uintptr_t dwData, std::span<const uint8_t> bytes,
                                      bool leaveWatch) {
    using Action = HallCopyResult::Action;
    HallCopyResult out;
    auto read = ReadHallCopyData(dwData, bytes);
    switch (read.kind) {
        case HallCopyData::Kind::kNotHall:
            break;
        case HallCopyData::Kind::kRefused:
            transport::LogPrintf("%s", read.error.c_str());
            out.action = Action::kRefused;
            break;
        case HallCopyData::Kind::kTableState:
            out.action = tables_.SetTableState(read.tableState, own_) ? Action::kTableStateReady
                                                                      : Action::kRefused;
            break;
        case HallCopyData::Kind::kLookerJoined:
            out.action = tables_.AddLooker(read.player) ? Action::kLookerJoined : Action::kIgnored;
            out.player = std::move(read.player);
            break;
        case HallCopyData::Kind::kPlayerLeft:
            out.action = leaveWatch && HallTables::ConcernsOwnTable(read.left, own_)
                             ? Action::kPlayerLeft
                             : Action::kIgnored;
            out.left = read.left;
            break;
        case HallCopyData::Kind::kPlayerCard:
            out.action = Action::kPlayerCard;
            out.player = std::move(read.player);
            break;
    }
    return out;
}

}  // namespace client
