#include "ports/LineSettings.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "diag/RaisedError.h"
#include "ports/SerialErrors.h"

namespace qm {
namespace {

TEST(LineSettingsTest, ReadsEveryFieldOfTheTextsThePortFrameBuilds) {
    const LineSettings plain = LineSettings::Parse("2400,n,8,1");
    EXPECT_EQ(plain.baudRate, 2400);
    EXPECT_EQ(plain.parity, Parity::None);
    EXPECT_EQ(plain.dataBits, 8);
    EXPECT_EQ(plain.stopBits, StopBits::One);

    EXPECT_EQ(LineSettings::Parse("9600,e,7,2").parity, Parity::Even);
    EXPECT_EQ(LineSettings::Parse("9600,o,7,1").parity, Parity::Odd);
    EXPECT_EQ(LineSettings::Parse("9600,m,8,1").parity, Parity::Mark);
    EXPECT_EQ(LineSettings::Parse("9600,s,6,2").parity, Parity::Space);
    EXPECT_EQ(LineSettings::Parse("75,n,4,1").dataBits, 4);
    EXPECT_EQ(LineSettings::Parse("110,n,5,1.5").stopBits, StopBits::OneAndHalf);
    EXPECT_EQ(LineSettings::Parse("115200,n,8,2").stopBits, StopBits::Two);
    // A rate not in the list goes through unchanged; whether it opens is the device's matter.
    EXPECT_EQ(LineSettings::Parse("12345,n,8,1").baudRate, 12345);
    EXPECT_EQ(LineSettings::Parse("2147483647,n,8,1").baudRate, 2147483647);
    // Hand-written settings often use capitals.
    EXPECT_EQ(LineSettings::Parse("9600,N,8,1"), LineSettings::Parse("9600,n,8,1"));
}

TEST(LineSettingsTest, RefusesWhatCannotBeHonouredInsteadOfGuessing) {
    const char* const refused[] = {
        "",
        "2400",
        "2400,n,8",
        "2400,n,8,1,",
        ",n,8,1",
        "2400,,8,1",
        "2400,n,,1",
        "2400,n,8,",
        "x,n,8,1",
        "-2400,n,8,1",
        "+2400,n,8,1",
        " 2400,n,8,1",
        "2400 ,n,8,1",
        "2400,n ,8,1",
        "2400,n,8,1 ",
        "0,n,8,1",
        "2147483648,n,8,1",
        "99999999999999999999,n,8,1",
        "2400.5,n,8,1",
        "2400,x,8,1",
        "2400,no,8,1",
        "2400,n,3,1",
        "2400,n,9,1",
        "2400,n,08,1",
        "2400,n,8,0",
        "2400,n,8,3",
        "2400,n,8,1.0",
        "2400,n,8,1,5",
        "2400;n;8;1",
        // A UART sends 1.5 stop bits only with 5-bit characters, and 2 never with them.
        "2400,n,8,1.5",
        "2400,n,6,1.5",
        "2400,n,5,2",
    };
    for (const char* text : refused) {
        try {
            LineSettings::Parse(text);
            ADD_FAILURE() << "accepted \"" << text << "\"";
        } catch (const RaisedError& error) {
            EXPECT_EQ(error.Number(), comInvalidPropertyValue) << text;
            EXPECT_NE(error.Description().find(text), std::string::npos) << error.Description();
        }
    }
}

TEST(LineSettingsTest, CanonicalTextReadsBackAsTheSameSettings) {
    for (const char* text : {"2400,n,8,1", "110,s,5,1.5", "19200,e,7,2", "300,M,6,1"}) {
        const LineSettings settings = LineSettings::Parse(text);
        EXPECT_EQ(LineSettings::Parse(settings.ToString()), settings) << text;
    }
    EXPECT_EQ(LineSettings::Parse("9600,N,8,1").ToString(), "9600,n,8,1");
    EXPECT_EQ(LineSettings::Parse("110,o,5,1.5").ToString(), "110,o,5,1.5");
}

TEST(LineSettingsTest, ArbitraryTextIsEitherParsedConsistentlyOrRefusedWithTheRightError) {
    // Mutations of good texts: every outcome must be a clean parse or a RaisedError.
    std::mt19937 random(20240611);
    const std::string alphabet = "0123456789,.nNeEoOmMsSx -+";
    const std::string seeds[] = {"2400,n,8,1", "110,o,5,1.5", "115200,e,7,2"};
    for (int round = 0; round < 20000; ++round) {
        std::string text = seeds[random() % 3];
        const int edits = static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = text.empty() ? 0 : random() % (text.size() + 1);
            const char c = alphabet[random() % alphabet.size()];
            switch (random() % 3) {
                case 0:
                    text.insert(at, 1, c);
                    break;
                case 1:
                    if (at < text.size()) {
                        text.erase(at, 1);
                    }
                    break;
                default:
                    if (at < text.size()) {
                        text[at] = c;
                    }
                    break;
            }
        }
        try {
            const LineSettings settings = LineSettings::Parse(text);
            EXPECT_GT(settings.baudRate, 0) << text;
            EXPECT_GE(settings.dataBits, 4) << text;
            EXPECT_LE(settings.dataBits, 8) << text;
            EXPECT_EQ(LineSettings::Parse(settings.ToString()), settings) << text;
        } catch (const RaisedError& error) {
            EXPECT_EQ(error.Number(), comInvalidPropertyValue) << text;
        }
    }
}

}  // namespace
}  // namespace qm
