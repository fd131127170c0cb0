#pragma once
// The words of the engine's script commands (GBK at run time, compared byte
// for byte).

#include <cstdint>
#include <string_view>

namespace script::cw {

// Create group.
inline constexpr std::string_view kCreatePlane = "创建平面";
inline constexpr std::string_view kCreatePicture = "创建图片";

// Entity group.
inline constexpr std::string_view kOperateEntity = "操作实体";
inline constexpr std::string_view kReadEntity = "读取实体";
inline constexpr std::string_view kBindEntity = "绑定实体";
inline constexpr std::string_view kUnbind = "解除绑定";
inline constexpr std::string_view kPaste = "贴图";
inline constexpr std::string_view kOperatePicture = "操作图片";
inline constexpr std::string_view kOperatePlane = "操作平面";

// Resource group.
inline constexpr std::string_view kResourceFolder = "设置资源目录";
inline constexpr std::string_view kLoadOnDemand = "动态加载";

// Entity sub-commands and fields.
inline constexpr std::string_view kPosition = "坐标";
inline constexpr std::string_view kShift = "位移";
inline constexpr std::string_view kShow = "显示";
inline constexpr std::string_view kHide = "隐藏";
inline constexpr std::string_view kBlend = "半透明";
inline constexpr std::string_view kDepth = "图层";
inline constexpr std::string_view kDepthBy = "图层升降";
inline constexpr std::string_view kAngle = "角度";
inline constexpr std::string_view kTurn = "旋转";
inline constexpr std::string_view kTurnAbout = "绕点旋转";
inline constexpr std::string_view kSize = "宽高";
inline constexpr std::string_view kGrow = "放缩";
inline constexpr std::string_view kDelete = "删除";
inline constexpr std::string_view kLeft = "左边";
inline constexpr std::string_view kRight = "右边";
inline constexpr std::string_view kTop = "上边";
inline constexpr std::string_view kBottom = "下边";
inline constexpr std::string_view kWidth = "宽度";
inline constexpr std::string_view kHeight = "高度";
inline constexpr std::string_view kParent = "老爸";
inline constexpr std::string_view kKind = "类型";
inline constexpr std::string_view kChild = "儿子";

// Binding words and their link bits.
struct BindWord {
    std::string_view word;
    uint32_t bits;
};
inline constexpr BindWord kBindWords[] = {
    {"位置", 0x18002}, {"半透明", 0x8},   {"显示", 0x4},     {"放缩", 0x40},       {"刷新", 0x20},
    {"删除", 0x1},     {"全部", 0x1C06F}, {"标准", 0x1802E}, {"记忆显示", 0x1000},
};
inline constexpr uint32_t kStandardBinding = 0x1802E;

// Picture sub-commands.
inline constexpr std::string_view kNextFrame = "切帧";
inline constexpr std::string_view kJumpFrame = "跳帧";
inline constexpr std::string_view kLoad = "载入";
inline constexpr std::string_view kBackColor = "背景色";
inline constexpr std::string_view kPlay = "播放";
inline constexpr std::string_view kByTime = "时间";
inline constexpr std::string_view kByFrames = "帧数";
inline constexpr std::string_view kByPasses = "轮数";

// Plane sub-commands.
inline constexpr std::string_view kGround = "底色";
inline constexpr std::string_view kBorder = "边界色";
inline constexpr std::string_view kText = "文字";

}  // namespace script::cw
