#pragma once

namespace qm::about {

// Everything the About box says about the program and its makers, kept in one place.
// The web addresses lie under the reserved example domains until the real sites exist.
inline constexpr const char* kMakerName = "Tallowmer";
inline constexpr const char* kCopyright = "Copyright \u00A9 Tallowmer. All rights reserved.";
inline constexpr const char* kDisclaimer =
    "Tallowmer accepts no liability for any loss, damage or claim, however it arises, that results from "
    "using this software. The software is supplied as it is, without guarantee or warranty of any kind, "
    "and it remains the property of Tallowmer.";

inline constexpr const char* kProductUrl = "https://quillmotion.example.com/";
inline constexpr const char* kCompanyUrl = "https://tallowmer.example.com/";
inline constexpr const char* kCollegeUrl = "https://ostrand-college.example.org/";
inline constexpr const char* kThanksUrl = "https://kelvay.example.org/";

inline constexpr const char* kProductTip = "The Quillmotion web site";
inline constexpr const char* kCompanyTip = "The Tallowmer web site";
inline constexpr const char* kCollegeTip = "The Ostrand College web site";
inline constexpr const char* kThanksTip = "Kelvay's web site";

// Programs that can stand in for a system information program where the registry names none,
// tried in this order on PATH.
inline constexpr const char* kSystemInfoPrograms[] = {
    "hardinfo2", "hardinfo", "gnome-system-monitor", "plasma-systemmonitor", "ksysguard", "xfce4-taskmanager",
};

}  // namespace qm::about
