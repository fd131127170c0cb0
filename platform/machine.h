#pragma once
// Facts about the machine that the program reads through the operating
// system: fresh random identifiers, the operating-system version record and
// the hardware addresses of the network adapters.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Sixteen bytes of a new random (version 4) UUID, read from getrandom.
// False when the system has no randomness to give; `out` is then unchanged.
bool CreateUuid(std::array<uint8_t, 16>& out);

// Platform ids of the version record.
inline constexpr uint32_t kPlatformWin32s = 0;
inline constexpr uint32_t kPlatformWindows = 1;  // the 9x family
inline constexpr uint32_t kPlatformNt = 2;

// Product types of the extended record.
inline constexpr uint8_t kProductWorkstation = 1;
inline constexpr uint8_t kProductDomainController = 2;
inline constexpr uint8_t kProductServer = 3;

struct OsVersionRecord {
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
    bool extended = false;    // the product type below is valid
    uint8_t productType = 0;  // kProduct*
};

// The version record. There is no Windows underneath, so every caller sees
// one fixed stand-in: an extended record of an NT 6.1 workstation, the
// system the program was built for.
OsVersionRecord GetOsVersionRecord();

// The stored product type text ("WINNT", "SERVERNT", ...), which only
// matters when no extended record exists; ours is a workstation.
std::string GetProductOptionsType();

struct AdapterAddress {
    std::string name;                  // interface name, for logs
    std::array<uint8_t, 6> address{};  // hardware address
};

// The Ethernet adapters of the machine (loopback and adapters without a
// hardware address left out), in interface index order.
std::vector<AdapterAddress> GetEthernetAdapterAddresses();

}  // namespace platform
