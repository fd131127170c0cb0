#include "tools/webserver/pages.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

namespace webserver {
namespace {

constexpr uint64_t kMaxFile = 16u << 20;

// The digits or name between `prefix` and `suffix` of `path`, if it has that shape.
std::optional<std::string> Between(std::string_view path, std::string_view prefix,
                                   std::string_view suffix, bool digitsOnly) {
    if (path.size() <= prefix.size() + suffix.size() || path.rfind(prefix, 0) != 0 ||
        path.substr(path.size() - suffix.size()) != suffix) {
        return std::nullopt;
    }
    const std::string_view middle =
        path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
    if (middle.size() > 64) return std::nullopt;
    for (char c : middle) {
        const bool digit = c >= '0' && c <= '9';
        const bool name = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-';
        if (!digit && (digitsOnly || !name)) return std::nullopt;
    }
    return std::string(middle);
}

Reply Page(std::string title, const std::string& body) {
    Reply reply;
    reply.status = 200;
    reply.body =
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
        "charset=gb2312\"><title>" +
        title + "</title></head>" + body + "</html>";
    return reply;
}

Reply AdvertPage(const std::string& gid, const std::string& self) {
    return Page("广告",
                "<body style=\"margin:0;background:#fff6dc url(/pictures/advert_back.bmp)\">"
                "<div style=\"padding:6px;text-align:center\">"
                "<img src=\"/pictures/advert_banner.bmp\" width=\"160\" height=\"48\"><br>"
                "<b style=\"color:#a03000;font-size:16px\">雀友俱乐部</b><br>"
                "<span style=\"color:#404040\">第" +
                    gid +
                    "号游戏 本周比赛火热报名中</span><br>"
                    "<a href=\"app:rules\">看规则</a> "
                    "<a href=\"http://" +
                    self + "/rules/" + gid + ".html\">网页版</a></div></body>");
}

Reply Notice(const std::string& gid, const WebOptions& options, const std::string& self) {
    if (options.wrongPrefix) return Page("维护中", "<body>服务器维护中，请稍后再来。</body>");
    Reply reply;
    reply.status = 200;
    reply.contentType = "text/plain; charset=gbk";
    reply.body = "<notify><c=255,e=b>[系统公告]<> 欢迎来到第" + gid +
                 "号游戏，祝您游戏愉快！规则见 http://" + self + "/rules/" + gid + ".html\n";
    if (options.hugeBytes > reply.body.size()) reply.filler = options.hugeBytes - reply.body.size();
    return reply;
}

Reply RulesPage(const std::string& game) {
    return Page("规则", "<body><h2>" + game +
                            " 游戏规则</h2><p>每人十六张牌，财神可代替任意一张牌。</p>"
                            "<p>花牌补张，胡牌后按番计分。</p></body>");
}

Reply SkinPage(const std::string& game) {
    return Page("更多皮肤", "<body><h2>" + game +
                                " 更多皮肤</h2><ul><li>经典绿</li><li>夜色蓝</li></ul></body>");
}

std::string TypeOf(std::string_view path) {
    const size_t dot = path.rfind('.');
    const std::string_view ext = dot == std::string_view::npos ? "" : path.substr(dot);
    if (ext == ".bmp") return "image/bmp";
    if (ext == ".png") return "image/png";
    if (ext == ".jpg") return "image/jpeg";
    if (ext == ".gif") return "image/gif";
    if (ext == ".htm" || ext == ".html") return "text/html; charset=gbk";
    return "application/octet-stream";
}

// A file under the root, for a path of plain names (no "..", no hidden files).
std::optional<Reply> File(std::string_view path, const std::string& root) {
    if (root.empty() || path.size() < 2 || path[0] != '/') return std::nullopt;
    for (size_t start = 1; start <= path.size();) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string_view name = path.substr(start, end - start);
        if (name.empty() || name[0] == '.') return std::nullopt;
        for (char c : name) {
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                               (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
            if (!plain) return std::nullopt;
        }
        start = end + 1;
    }
    const std::filesystem::path file = root + std::string(path);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error) ||
        std::filesystem::file_size(file, error) > kMaxFile) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    Reply reply;
    reply.status = 200;
    reply.contentType = TypeOf(path);
    reply.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return reply;
}

}  // namespace

Reply Answer(const RequestHead& request, const WebOptions& options, const std::string& self) {
    Reply reply;
    if (request.method != "GET" && request.method != "HEAD") {
        reply.status = 405;
        return reply;
    }
    const std::string_view path =
        std::string_view(request.target)
            .substr(0, std::min(request.target.find('?'), request.target.size()));
    if (options.notFound) return reply;
    // The notice path keeps the client's two slashes.
    if (auto gid = Between(path, "//notify/game/", ".txt", true))
        return Notice(*gid, options, self);
    if (auto gid = Between(path, "/advert/window/", "/jq.htm", true)) return AdvertPage(*gid, self);
    if (auto game = Between(path, "/rules/", ".html", false)) return RulesPage(*game);
    if (auto game = Between(path, "/skin/", "/", false)) return SkinPage(*game);
    if (auto file = File(path, options.fileRoot)) return *file;
    return reply;
}

}  // namespace webserver
