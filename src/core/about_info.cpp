#include "core/about_info.h"

namespace core {
namespace {

constexpr std::uint32_t kNtFamily = 2;
constexpr std::uint32_t kWorkstation = 1;
constexpr std::uint32_t kServer = 3;
constexpr std::uint32_t kPersonalSuite = 0x200;
constexpr char kUnknown[] = "Unknown OS";

std::string nameByVersion(const SystemVersion& v) {
    if (v.major == 5) {
        switch (v.minor) {
            case 0: return "Windows 2000";
            case 1:
                if (v.tabletPc) return "Windows XP Tablet PC Edition";
                if (v.mediaCenter) return "Windows XP Media Center Edition";
                return "Windows XP";
            case 2: return "Windows Server 2003 family";
            default: return kUnknown;
        }
    }
    if (v.major == 6) {
        switch (v.minor) {
            case 0: return "Windows Vista";
            case 1: return "Windows 7";
            default: return "Unknown Window 2000";
        }
    }
    return kUnknown;
}

std::string editionOf(const SystemVersion& v) {
    if (!v.extended) return "";
    if (v.productType == kWorkstation) return (v.suiteMask & kPersonalSuite) ? " Home Edition" : " Professional";
    if (v.productType == kServer) return " Server";
    return "";
}

}  // namespace

std::string describeSystem(const SystemVersion& version) {
    if (version.platformId != kNtFamily) return kUnknown;
    std::string text = nameByVersion(version) + editionOf(version);
    if (!version.servicePack.empty()) text += ", " + version.servicePack;
    return text;
}

std::string programPageAddress() { return std::string(kMakerSite) + "det.php?prog=" + "Pairlook"; }

std::string supportMailLink(const std::string& systemDescription) {
    return std::string("mailto:") + kSupportMail + "?subject=Pairlook&body=v13 " + systemDescription + " ";
}

std::string programFoldersPage(const std::string& programFolder, const std::string& dataFolder) {
    return "Location of program:\r\n" + programFolder + "\r\n\r\nWhere program stores user data:\r\n" + dataFolder;
}

std::string diagnosticsPage(const std::string& systemDescription) { return systemDescription + "\r\n\r\n"; }

}  // namespace core
