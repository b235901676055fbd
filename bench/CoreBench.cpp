// The core's own cost on this machine, without a display or a serial line: characters through
// the dispatcher and the sequence decoder, one trace line, and loading and saving the settings
// on the file hive. Every figure is the median of repetitions (see scripts/bench).

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "SettingsTree.h"
#include "diag/DebugOutput.h"
#include "diag/Trace.h"
#include "input/AsciiSequenceDecoder.h"
#include "settings/RunValueStart.h"
#include "settings/SettingsRecord.h"
#include "settings/hive/FileHiveRegistry.h"
#include "settings/modSettings.h"
#include "support/CoreRoad.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

// A folder of its own under TMPDIR (or /tmp), removed afterwards.
class Folder {
public:
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "qm-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    bool Ok() const { return !path_.empty(); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

// The debugger channel of a program nobody debugs: the pieces are made and dropped.
class DroppedDebugOutput : public DebugOutput {
public:
    void Write(std::string_view piece) override { benchmark::DoNotOptimize(piece.data()); }
};

// Tracing on into log.txt in a folder of its own for as long as the object lives; off otherwise.
class Tracing {
public:
    explicit Tracing(bool on) : on_(on) {
        if (on_) {
            modTrace::SetLogFile(folder_.File("log.txt"));
            modTrace::DeleteLogFile();
            modTrace::SetDebugOutput(&debug_);
        }
        modTrace::TraceSwitch(on_);
    }
    ~Tracing() {
        modTrace::TraceSwitch(false);
        modTrace::SetDebugOutput(nullptr);
    }
    // Keeps the log from growing without bound over a long run.
    void Restart() const {
        if (on_) {
            modTrace::DeleteLogFile();
        }
    }

private:
    bool on_;
    Folder folder_;
    DroppedDebugOutput debug_;
};

// The road as the program builds it, with the codes an installation starts with, on a desktop in
// memory; nothing else waits on the UI thread, and the movement timer never ticks.
struct Pipeline : test::RoadOnFakes {
    explicit Pipeline(bool sequenceMode) {
        SetCodes({1, 3, 4, 2, 5, 6, 11, 7, 12, 14, 15, 16, 17});
        settings.MovementIncrementX(2);
        settings.MovementIncrementY(2);
        settings.ASCIISequence(sequenceMode ? 1 : 0);
        working = MovementWorkingValues{20, 90};
        desktop.SetKeepEvents(false);
        // The shell is told of each change; a real one would look at the state later.
        road.SetOnChanged([this] { ++changes; });
    }

    std::int64_t changes = 0;
};

// 1 KB as a switch user sends it: mostly typed text, a movement or stop code every 16th byte,
// a click every 64th.
std::string TypicalInput() {
    std::string bytes;
    const std::string text = "the quick brown fox jumps over the lazy dog. ";
    for (std::size_t i = 0; bytes.size() < 1024; ++i) {
        if (i % 64 == 63) {
            bytes += static_cast<char>(14);
        } else if (i % 16 == 15) {
            bytes += static_cast<char>(i % 32 == 15 ? 2 : 12);
        } else {
            bytes += text[i % text.size()];
        }
    }
    return bytes;
}

// The same in ASCII Sequence Mode: every fourth character sent as Esc "A" and three digits.
std::string SequenceInput() {
    std::string bytes;
    const std::string plain = TypicalInput();
    for (std::size_t i = 0; bytes.size() < 1024; ++i) {
        const auto code = static_cast<unsigned char>(plain[i % plain.size()]);
        if (i % 4 == 3) {
            char sequence[8];
            std::snprintf(sequence, sizeof sequence,
                          "\x1b"
                          "A%03u",
                          static_cast<unsigned>(code));
            bytes += sequence;
        } else {
            bytes += static_cast<char>(code);
        }
    }
    bytes.resize(1024);
    return bytes;
}

void BM_Dispatcher(benchmark::State& state) {
    const bool sequenceMode = state.range(0) != 0;
    const Tracing tracing(state.range(1) != 0);
    Pipeline pipeline(sequenceMode);
    const std::string input = sequenceMode ? SequenceInput() : TypicalInput();
    std::int64_t batches = 0;
    for (auto _ : state) {
        pipeline.serial.Deliver(input);
        if (++batches % 64 == 0) {
            state.PauseTiming();
            tracing.Restart();
            state.ResumeTiming();
        }
    }
    benchmark::DoNotOptimize(pipeline.changes);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
    state.counters["characters/s"] = benchmark::Counter(
        static_cast<double>(pipeline.road.Status().bytesReceived), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Dispatcher)
    ->ArgNames({"sequence", "trace"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

void BM_Decoder(benchmark::State& state) {
    const Tracing tracing(false);
    std::int64_t passed = 0;
    AsciiSequenceDecoder decoder([&passed](std::int16_t code) {
        passed += code;
        return true;
    });
    const std::string input = SequenceInput();
    for (auto _ : state) {
        for (const char c : input) {
            decoder.ProcessASCIISequenceCharacter(static_cast<std::int16_t>(static_cast<unsigned char>(c)));
        }
    }
    benchmark::DoNotOptimize(passed);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(input.size()));
}
BENCHMARK(BM_Decoder)->Unit(benchmark::kMicrosecond);

void BM_TraceLine(benchmark::State& state) {
    const Tracing tracing(state.range(0) != 0);
    std::int64_t lines = 0;
    for (auto _ : state) {
        Trace("frmSerial.ProcessCharacter", TraceExit, "");
        if (++lines % 65536 == 0) {
            state.PauseTiming();
            tracing.Restart();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TraceLine)->ArgName("trace")->Arg(0)->Arg(1)->UseRealTime();

// A hive with the tree an installation puts in place.
struct InstalledHive {
    InstalledHive() {
        FileHiveRegistry hive(file);
        ok = folder.Ok() && SettingsTree::EnsureTree(hive).Ok();
    }
    Folder folder;
    std::string file = folder.File("HKEY_LOCAL_MACHINE.reg");
    bool ok = false;
};

// Start-up: a fresh store reads the file and the whole record loads.
void BM_GetSettings(benchmark::State& state) {
    const Tracing tracing(state.range(0) != 0);
    InstalledHive installed;
    if (!installed.ok) {
        state.SkipWithError("the settings tree could not be installed");
        return;
    }
    for (auto _ : state) {
        FileHiveRegistry hive(installed.file);
        SettingsRecord record;
        RunValueStart logOn;
        modSettings settings(record, hive, logOn);
        if (!settings.GetSettings()) {
            state.SkipWithError("the settings did not load");
            break;
        }
        tracing.Restart();
    }
}
BENCHMARK(BM_GetSettings)->ArgName("trace")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Apply: the one setting changed written and saved to disk (the file store replaces its file once).
void BM_SetSettings(benchmark::State& state) {
    const Tracing tracing(false);
    InstalledHive installed;
    FileHiveRegistry hive(installed.file);
    SettingsRecord record;
    RunValueStart logOn;
    modSettings settings(record, hive, logOn);
    settings.ProgramLocation("/opt/quillmotion", "quillmotion");
    if (!installed.ok || !settings.GetSettings()) {
        state.SkipWithError("the settings did not load");
        return;
    }
    std::int32_t baud = 2400;
    for (auto _ : state) {
        record.BaudRate(baud ^= 9600 ^ 2400);
        if (!settings.SetSettings()) {
            state.SkipWithError("the settings were not saved");
            break;
        }
    }
}
BENCHMARK(BM_SetSettings)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
