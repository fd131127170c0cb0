#include "platform/machine.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/random.h>

#include <algorithm>
#include <cerrno>

namespace platform {

bool CreateUuid(std::array<uint8_t, 16>& out) {
    std::array<uint8_t, 16> bytes;
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = getrandom(bytes.data() + got, bytes.size() - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        got += size_t(n);
    }
    bytes[6] = uint8_t((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = uint8_t((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    out = bytes;
    return true;
}

OsVersionRecord GetOsVersionRecord() {
    OsVersionRecord record;
    record.majorVersion = 6;
    record.minorVersion = 1;
    record.buildNumber = 7601;
    record.platformId = kPlatformNt;
    record.extended = true;
    record.productType = kProductWorkstation;
    return record;
}

std::string GetProductOptionsType() {
    return "WINNT";
}

std::vector<AdapterAddress> GetEthernetAdapterAddresses() {
    struct Found {
        unsigned index;
        AdapterAddress adapter;
    };
    std::vector<Found> found;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return {};
    for (ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_PACKET) continue;
        if (it->ifa_flags & IFF_LOOPBACK) continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(it->ifa_addr);
        if (link->sll_hatype != ARPHRD_ETHER || link->sll_halen != 6) continue;
        Found entry{unsigned(link->sll_ifindex), {}};
        entry.adapter.name = it->ifa_name ? it->ifa_name : "";
        std::copy_n(link->sll_addr, 6, entry.adapter.address.begin());
        if (std::all_of(entry.adapter.address.begin(), entry.adapter.address.end(),
                        [](uint8_t b) { return b == 0; }))
            continue;
        found.push_back(std::move(entry));
    }
    freeifaddrs(list);
    std::stable_sort(found.begin(), found.end(),
                     [](const Found& a, const Found& b) { return a.index < b.index; });
    std::vector<AdapterAddress> out;
    for (auto& f : found)
        out.push_back(std::move(f.adapter));
    return out;
}

}  // namespace platform
