// zendor-render: renders a page picture through the render plug-in, as the printing system
// would, and writes the printer's command stream.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "host/trace.h"
#include "host/utf.h"
#include "settings/model_database.h"
#include "settings/printer_init.h"
#include "settings/records.h"
#include "tools/command_reader.h"
#include "tools/page_image.h"
#include "tools/record_fields.h"
#include "tools/render_job.h"

namespace {

const char kUsage[] =
    "usage: zendor-render INPUT [options]\n"
    "Renders INPUT (PNG, PGM or PPM; first row = top of the page) through the render plug-in\n"
    "in a simulated printing system and writes the printer's command stream.\n"
    "\n"
    "  -o FILE              output file or printer device (default: standard output, or\n"
    "                       nothing when --preview is given)\n"
    "  --language NAME      printer command language: tspl (default), escpos, cpcl, paperang\n"
    "  --print-language TEXT\n"
    "                       store TEXT as \"printLanguage\" as it stands; for a value no\n"
    "                       writer knows the plug-in writes nothing\n"
    "  --dpi N              resolution the host reports (default 203)\n"
    "  --band-height N      rows per band (default 64)\n"
    "  --bits 1|8|24        band depth (default 8 for gray pictures, 24 for colour)\n"
    "  --landscape          the document's orientation is landscape\n"
    "  --blank-bands        flag all-white bands as blank, as the host does\n"
    "  --pages N            pages per document (default 1)\n"
    "  --documents N        documents in the job (default 1)\n"
    "  --trace FILE         write the plug-in's debug-output lines to FILE\n"
    "  --debug-dir DIR      folder for the plug-in's log and page dumps (written while the\n"
    "                       ZDDATA switch bDebug is on, e.g. --set bDebug=1)\n"
    "  --preview FILE.png   read the command stream back as the printer would and save the\n"
    "                       printed page as a PNG; further pages go to FILE-2.png, FILE-3.png...\n"
    "  --zddata FILE        store FILE's bytes as the printer's ZDDATA value\n"
    "  --zddata1 FILE       ... as ZDDATA1\n"
    "  --watermark FILE     ... as WaterMark\n"
    "  --set NAME=VALUE     set one record field, e.g. --set iSpeed=4 --set szPath=/tmp/w.bmp;\n"
    "                       a record neither given nor set is absent from the printer data\n"
    "  --model NAME         a printer of this model: its language, resolution and, for records\n"
    "                       not given, the records a newly initialised printer of it gets\n"
    "  --list-models        list the models (name, language, dpi, head width, default paper)\n"
    "  --help               this text\n";

const char* const kLanguages[] = {"tspl", "escpos", "cpcl", "paperang"};

struct Failure {
    std::string message;
};

[[noreturn]] void Fail(const std::string& message) {
    throw Failure{message};
}

int ParseInt(const std::string& option, const std::string& text, long min, long max) {
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || errno == ERANGE || value < min || value > max) {
        Fail(option + " takes a whole number from " + std::to_string(min) + " to " +
             std::to_string(max) + ", not '" + text + "'");
    }
    return static_cast<int>(value);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        Fail("cannot read " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::u16string Widen(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

struct Options {
    std::string input;
    std::string model;
    std::string output;
    std::string trace;
    std::string preview;
    RenderJob job;
};

std::optional<std::vector<std::uint8_t>>& RecordOf(RenderJob& job, RecordKind kind) {
    switch (kind) {
        case RecordKind::Device:
            return job.zddata;
        case RecordKind::Halftone:
            return job.zddata1;
        default:
            return job.watermark;
    }
}

std::vector<std::uint8_t> FallbackBytes(RecordKind kind) {
    auto bytes = [](const auto& record) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(&record);
        return std::vector<std::uint8_t>(p, p + sizeof record);
    };
    switch (kind) {
        case RecordKind::Device:
            return bytes(DeviceSettingsFallback());
        case RecordKind::Halftone:
            return bytes(HalftoneSettingsFallback());
        default:
            return bytes(WatermarkSettingsDefaults());
    }
}

std::size_t RecordSize(RecordKind kind) {
    return kind == RecordKind::Device     ? kDeviceSettingsSize
           : kind == RecordKind::Halftone ? kHalftoneSettingsSize
                                          : kWatermarkSettingsSize;
}

void CheckLanguage(const std::string& name) {
    if (std::find(std::begin(kLanguages), std::end(kLanguages), name) == std::end(kLanguages)) {
        Fail("unknown language '" + name + "' (tspl, escpos, cpcl or paperang)");
    }
}

[[noreturn]] void ListModelsAndExit() {
    std::printf("%-28s %-9s %4s %5s  %s\n", "model", "language", "dpi", "head", "default paper");
    for (const ModelSummary& m : ListModels(UiModelDatabase())) {
        std::printf("%-28s %-9s %4d %3dmm  %s\n", m.name.c_str(), m.cmd.c_str(), m.dpi, m.headsize,
                    m.defaultPaper.c_str());
    }
    std::exit(0);
}

// The model's language and resolution, and its initial records where none were given.
void ApplyModel(Options& o, bool languageGiven, bool dpiGiven) {
    std::optional<ModelSummary> model = DescribeModel(UiModelDatabase(), o.model);
    if (!model)
        Fail("unknown model '" + o.model + "' (see --list-models)");
    if (!languageGiven) {
        CheckLanguage(model->cmd);
        o.job.language = Widen(model->cmd);
    }
    if (!dpiGiven && model->dpi > 0)
        o.job.dpi = model->dpi;
    InitialPrinterRecords initial = InitialRecordsForModel(UiModelDatabase(), o.model);
    auto bytes = [](const auto& record) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(&record);
        return std::vector<std::uint8_t>(p, p + sizeof record);
    };
    if (!o.job.zddata)
        o.job.zddata = bytes(initial.device);
    if (!o.job.zddata1)
        o.job.zddata1 = bytes(initial.halftone);
    if (!o.job.watermark)
        o.job.watermark = bytes(initial.watermark);
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    std::vector<std::string> sets;
    std::string language;
    std::optional<std::string> printLanguage;
    int dpi = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                Fail(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "-o") {
            o.output = value();
        } else if (arg == "--language") {
            language = value();
        } else if (arg == "--model") {
            o.model = value();
        } else if (arg == "--list-models") {
            ListModelsAndExit();
        } else if (arg == "--print-language") {
            printLanguage = value();
        } else if (arg == "--dpi") {
            dpi = ParseInt(arg, value(), 1, 2400);
        } else if (arg == "--band-height") {
            o.job.bandHeight = ParseInt(arg, value(), 1, 32767);
        } else if (arg == "--bits") {
            o.job.bits = ParseInt(arg, value(), 1, 24);
            if (o.job.bits != 1 && o.job.bits != 8 && o.job.bits != 24)
                Fail("--bits takes 1, 8 or 24");
        } else if (arg == "--landscape") {
            o.job.landscape = true;
        } else if (arg == "--blank-bands") {
            o.job.flagBlankBands = true;
        } else if (arg == "--pages") {
            o.job.pages = ParseInt(arg, value(), 1, 100000);
        } else if (arg == "--documents") {
            o.job.documents = ParseInt(arg, value(), 1, 100000);
        } else if (arg == "--trace") {
            o.trace = value();
        } else if (arg == "--debug-dir") {
            o.job.diagnosticsFolder = value();
        } else if (arg == "--preview") {
            o.preview = value();
        } else if (arg == "--zddata") {
            o.job.zddata = ReadFileBytes(value());
        } else if (arg == "--zddata1") {
            o.job.zddata1 = ReadFileBytes(value());
        } else if (arg == "--watermark") {
            o.job.watermark = ReadFileBytes(value());
        } else if (arg == "--set") {
            sets.push_back(value());
        } else if (arg.size() > 1 && arg[0] == '-') {
            Fail("unknown option " + arg + " (see --help)");
        } else if (o.input.empty()) {
            o.input = arg;
        } else {
            Fail("more than one input picture given");
        }
    }
    if (o.input.empty())
        Fail("no input picture given (see --help)");
    if (!language.empty()) {
        CheckLanguage(language);
        o.job.language = Widen(language);
    }
    if (dpi)
        o.job.dpi = dpi;
    if (!o.model.empty())
        ApplyModel(o, !language.empty(), dpi != 0);
    if (printLanguage)
        o.job.language = Widen(*printLanguage);
    for (const std::string& set : sets) {
        std::size_t eq = set.find('=');
        if (eq == std::string::npos)
            Fail("--set takes NAME=VALUE, not '" + set + "'");
        const RecordField* field = FindRecordField(set.substr(0, eq));
        if (!field)
            Fail("unknown record field '" + set.substr(0, eq) + "'");
        auto& record = RecordOf(o.job, field->record);
        if (!record)
            record = FallbackBytes(field->record);
        if (record->size() < RecordSize(field->record))
            record->resize(RecordSize(field->record));
        std::string error;
        if (!SetRecordField(*field, set.substr(eq + 1), *record, error))
            Fail(error);
    }
    return o;
}

}  // namespace

// "label.png" for the first page, "label-2.png" for the second, and so on.
std::string PreviewName(const std::string& path, std::size_t page) {
    if (page == 0)
        return path;
    std::size_t dot = path.rfind('.');
    std::size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = path.size();
    return path.substr(0, dot) + "-" + std::to_string(page + 1) + path.substr(dot);
}

bool WritePreview(const Options& options, const std::vector<std::uint8_t>& stream,
                  std::string& error) {
    CommandLanguage language;
    CommandLanguageFromName(std::string(options.job.language.begin(), options.job.language.end()),
                            language);
    std::vector<PrintedPage> pages;
    if (!ReadCommandStream(language, stream.data(), stream.size(), pages, error)) {
        error = "preview: " + error;
        return false;
    }
    std::size_t written = 0;
    for (const PrintedPage& page : pages) {
        // A page that sends no rows prints nothing and has no picture.
        if (!page.height)
            continue;
        if (!WritePagePng(page, PreviewName(options.preview, written++), error)) {
            error = "preview: " + error;
            return false;
        }
    }
    if (!written) {
        error = "preview: the command stream prints no page";
        return false;
    }
    return true;
}

int main(int argc, char** argv) {
    Options options;
    PageImage image;
    try {
        options = ParseOptions(argc, argv);
        std::string error;
        if (!ReadPageImage(options.input, image, error))
            Fail(error);
    } catch (const Failure& f) {
        std::cerr << "zendor-render: " << f.message << "\n";
        return 2;
    }
    if (!options.trace.empty())
        host::SetTraceFile(options.trace);

    const bool preview = !options.preview.empty();
    std::FILE* out = preview && options.output.empty() ? nullptr : stdout;
    if (!options.output.empty() && !(out = std::fopen(options.output.c_str(), "wb"))) {
        std::cerr << "zendor-render: cannot write " << options.output << ": "
                  << std::strerror(errno) << "\n";
        return 1;
    }
    bool writeFailed = false;
    std::vector<std::uint8_t> stream;
    auto sink = [&](const BYTE* bytes, DWORD size) {
        if (out)
            writeFailed |= std::fwrite(bytes, 1, size, out) != size;
        if (preview)
            stream.insert(stream.end(), bytes, bytes + size);
    };
    std::string error;
    bool ok = RunRenderJob(options.job, image, sink, error);
    if (out) {
        writeFailed |= std::fflush(out) != 0;
        if (out != stdout)
            writeFailed |= std::fclose(out) != 0;
    }
    host::SetTraceFile("");
    if (!ok || writeFailed) {
        std::cerr << "zendor-render: " << (ok ? "writing the output failed" : error) << "\n";
        return 1;
    }
    if (preview && !WritePreview(options, stream, error)) {
        std::cerr << "zendor-render: " << error << "\n";
        return 1;
    }
    return 0;
}
