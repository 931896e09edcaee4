// The texts of the About dialog: the system description, the folder page
// and the links to the maker.
#pragma once

#include <cstdint>
#include <string>

namespace core {

// What the system's version record says, as far as the description needs it.
struct SystemVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t platformId = 0;  // 2: the NT family
    bool extended = false;         // the extended record was had: product type and suite mask are valid
    std::uint32_t productType = 0; // 1 workstation, 3 server
    std::uint32_t suiteMask = 0;   // 0x200: personal (Home) edition
    std::string servicePack;
    bool tabletPc = false;         // system metric SM_TABLETPC
    bool mediaCenter = false;      // system metric SM_MEDIACENTER
};

// One line naming the operating system, such as "Windows XP Professional,
// Service Pack 2".
std::string describeSystem(const SystemVersion& version);

constexpr char kSupportMail[] = "support@example.com";
constexpr char kMakerSite[] = "https://www.example.com/";

// The address shown on the dialog and opened by "Go to Site".
std::string programPageAddress();
// The mail "EMail Us" opens: subject and body ready for a support request.
std::string supportMailLink(const std::string& systemDescription);
// The "Prog Dirs" page.
std::string programFoldersPage(const std::string& programFolder, const std::string& dataFolder);
// The "Diagnostics" page.
std::string diagnosticsPage(const std::string& systemDescription);

}  // namespace core
