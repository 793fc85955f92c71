#include "project.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string_view>

#include "directory_tar.h"
#include "file_io.h"
#include "format.h"
#include "gzip.h"
#include "included_name.h"
#include "messages_en.h"

namespace qdrpack {

namespace fs = std::filesystem;

namespace {

constexpr int kArgumentsId = 124;
constexpr std::size_t kMaxArgumentsLength = 2000;  // the launcher's limit for the arguments

// Readable settings that map one value to one configuration id.
enum class Form { Text, Integer, Flag };
struct Setting {
    std::string_view table;
    std::string_view key;
    int id;
    Form form;
};
constexpr Setting kSettings[] = {
    {"application", "main_class", 122, Form::Text},  {"application", "launcher_type", 107, Form::Integer},
    {"application", "working_dir", 146, Form::Text}, {"application", "single_instance", 10005, Form::Flag},
    {"java", "min_version", 126, Form::Text},        {"java", "max_version", 127, Form::Text},
    {"java", "vm_options", 123, Form::Text},         {"java", "arguments", kArgumentsId, Form::Text},
    {"java", "allow_prerelease", 130, Form::Flag},   {"java", "require_jdk", 131, Form::Flag},
};

// Keys handled by their own code, beside those of kSettings.
const std::map<std::string_view, std::set<std::string_view>> kSpecialKeys = {
    {"", {"application", "java", "files", "messages", "languages", "config"}},
    {"application", {"name", "launcher_kind", "check_integrity", "data"}},
    {"java", {"search", "class_path", "version_options", "jre_archive"}},
    {"files", {"source", "name"}},
    {"languages", {"key", "messages"}},
    {"version_options", {"prefix", "options"}},
};

constexpr int kApplicationNameId = 101;
constexpr int kLauncherKindId = 2001;
constexpr int kSearchId = 128;
constexpr int kClassPathId = 121;
constexpr int kVersionOptionCountId = 10200;
constexpr const char* kJreArchiveName = "jre.tar.gz";
constexpr int kJreTarSizeId = 151;

std::string_view typeName(toml::node_type type) {
    switch (type) {
        case toml::node_type::table:
            return "a table";
        case toml::node_type::array:
            return "an array";
        case toml::node_type::string:
            return "a string";
        case toml::node_type::integer:
            return "an integer";
        case toml::node_type::floating_point:
            return "a floating-point number";
        case toml::node_type::boolean:
            return "a boolean";
        default:
            return "a date or time";
    }
}

template <typename T>
std::string_view wantedName() {
    if constexpr (std::is_same_v<T, std::string>) return "a string";
    if constexpr (std::is_same_v<T, std::int64_t>) return "an integer";
    if constexpr (std::is_same_v<T, bool>) return "a boolean";
    if constexpr (std::is_same_v<T, toml::table>) return "a table";
    if constexpr (std::is_same_v<T, toml::array>) return "an array";
}

fs::path pathFromUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::optional<int> parseId(std::string_view text) {
    if (text.empty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return std::nullopt;
    const long long value = std::stoll(std::string(text));
    if (value > INT32_MAX) return std::nullopt;
    return static_cast<int>(value);
}

class ProjectLoader {
   public:
    explicit ProjectLoader(std::string projectPath)
        : projectPath_(std::move(projectPath)), baseDir_(pathFromUtf8(projectPath_).parent_path()) {}

    payload::Contents load(const toml::table& root) {
        checkKeys(root, "");
        const toml::table* application = get<toml::table>(root, "application", "application");
        const toml::table* java = get<toml::table>(root, "java", "java");
        loadApplication(application, root);
        if (java) loadJava(*java);
        if (const toml::table* config = get<toml::table>(root, "config", "config")) loadRawConfig(*config);
        if (!setBy_.contains(kLauncherKindId)) contents_.config.emplace_back(kLauncherKindId, "q");
        if (const toml::table* messages = get<toml::table>(root, "messages", "messages"))
            for (const payload::Message& message : readMessages(*messages, "messages")) overrideMessage(message);
        if (const toml::array* languages = get<toml::array>(root, "languages", "languages")) loadLanguages(*languages);
        if (const toml::array* files = get<toml::array>(root, "files", "files")) loadFiles(*files);
        if (java) loadJreArchive(*java);
        return std::move(contents_);
    }

   private:
    [[noreturn]] void fail(const toml::source_region& where, const std::string& message) const {
        throw ProjectError(projectPath_ + ":" + std::to_string(where.begin.line) + ":" +
                           std::to_string(where.begin.column) + ": " + message);
    }

    // Every key of `table` must be known for the table named `kind` ("" for the top level).
    void checkKeys(const toml::table& table, std::string_view kind) const {
        for (auto&& [key, node] : table) {
            const auto special = kSpecialKeys.find(kind);
            const bool known = (special != kSpecialKeys.end() && special->second.contains(key.str())) ||
                               std::any_of(std::begin(kSettings), std::end(kSettings), [&](const Setting& setting) {
                                   return setting.table == kind && setting.key == key.str();
                               });
            if (!known) fail(key.source(), "unknown key \"" + std::string(key.str()) + "\"" + placeName(kind));
        }
    }

    static std::string placeName(std::string_view kind) {
        if (kind.empty()) return "";
        if (kind == "files" || kind == "languages") return " in [[" + std::string(kind) + "]]";
        if (kind == "version_options") return " in java.version_options";
        return " in [" + std::string(kind) + "]";
    }

    // The node of `key` as T, or null when absent; any other type is an error naming `keyPath`.
    template <typename T>
    using Typed = decltype(std::declval<const toml::node&>().as<T>());

    template <typename T>
    Typed<T> get(const toml::table& table, std::string_view key, const std::string& keyPath) const {
        const toml::node* node = table.get(key);
        if (!node) return nullptr;
        const auto* typed = node->as<T>();
        if (!typed)
            fail(node->source(),
                 keyPath + " must be " + std::string(wantedName<T>()) + ", not " + std::string(typeName(node->type())));
        return typed;
    }

    template <typename T>
    std::optional<T> value(const toml::table* table, std::string_view key, const std::string& keyPath) const {
        if (!table) return std::nullopt;
        const auto* node = get<T>(*table, key, keyPath);
        if (!node) return std::nullopt;
        return node->get();
    }

    // A text value must be valid UTF-8; toml++ has checked that while parsing.
    std::u16string utf16(const toml::node& node, const std::string& text) const {
        try {
            return payload::utf16FromUtf8(text);
        } catch (const payload::FormatError& error) {
            fail(node.source(), error.what());
        }
    }

    void setConfig(int id, std::string text, const std::string& keyPath, const toml::source_region& where) {
        if (const auto earlier = setBy_.find(id); earlier != setBy_.end())
            fail(where, keyPath + ": configuration id " + std::to_string(id) + " is already set by " + earlier->second);
        setBy_.emplace(id, keyPath);
        contents_.config.emplace_back(id, std::move(text));
    }

    void loadApplication(const toml::table* application, const toml::table& root) {
        if (application) checkKeys(*application, "application");
        const std::optional<std::string> name = value<std::string>(application, "name", "application.name");
        if (!name) fail(application ? application->source() : root.source(), "application.name is required");
        if (name->empty()) fail(application->get("name")->source(), "application.name must not be empty");
        setConfig(kApplicationNameId, *name, "application.name", application->get("name")->source());
        contents_.messages = payload::defaultMessages(*name);

        if (const auto kind = value<std::string>(application, "launcher_kind", "application.launcher_kind")) {
            const toml::node& node = *application->get("launcher_kind");
            if (kind->size() != 1) fail(node.source(), "application.launcher_kind must be one character");
            setConfig(kLauncherKindId, *kind, "application.launcher_kind", node.source());
        }
        if (const auto check = value<bool>(application, "check_integrity", "application.check_integrity"))
            contents_.checkFlag = *check;
        if (const auto data = value<std::string>(application, "data", "application.data"))
            contents_.applicationData = readReferenced(*application->get("data"), *data, "application.data");
        loadSettings("application", *application);
    }

    void loadSettings(std::string_view kind, const toml::table& table) {
        for (const Setting& setting : kSettings) {
            if (setting.table != kind) continue;
            const std::string keyPath = std::string(kind) + "." + std::string(setting.key);
            const toml::node* node = table.get(setting.key);
            if (!node) continue;
            std::string text;
            if (setting.form == Form::Text) {
                text = *value<std::string>(&table, setting.key, keyPath);
                if (setting.id == kArgumentsId && text.size() > kMaxArgumentsLength)
                    fail(node->source(), keyPath + " is longer than " + std::to_string(kMaxArgumentsLength) + " bytes");
            } else if (setting.form == Form::Integer) {
                const std::int64_t number = *value<std::int64_t>(&table, setting.key, keyPath);
                if (number < INT32_MIN || number > INT32_MAX)
                    fail(node->source(), keyPath + " does not fit in 32 bits");
                text = std::to_string(number);
            } else {
                text = *value<bool>(&table, setting.key, keyPath) ? "1" : "0";
            }
            setConfig(setting.id, std::move(text), keyPath, node->source());
        }
    }

    void loadJava(const toml::table& java) {
        checkKeys(java, "java");
        loadSettings("java", java);
        // Type letters of the search sequence and kind letters of class path entries.
        loadList(java, "search", kSearchId, "ABERSY", 1);
        loadList(java, "class_path", kClassPathId, "ADES", 3);
        if (const toml::array* lines = get<toml::array>(java, "version_options", "java.version_options"))
            loadVersionOptions(*lines);
    }

    // An array of entries, each "letter + argument", stored as "E1;E2;".
    void loadList(const toml::table& java, std::string_view key, int id, std::string_view letters,
                  std::size_t minLength) {
        const std::string keyPath = "java." + std::string(key);
        const toml::array* entries = get<toml::array>(java, key, keyPath);
        if (!entries) return;
        std::string list;
        for (std::size_t i = 0; i < entries->size(); ++i) {
            const toml::node& node = *entries->get(i);
            const std::string entryPath = keyPath + "[" + std::to_string(i) + "]";
            const auto* text = node.as<std::string>();
            if (!text) fail(node.source(), entryPath + " must be a string, not " + std::string(typeName(node.type())));
            const std::string& entry = text->get();
            if (entry.size() < minLength || letters.find(entry.front()) == std::string_view::npos)
                fail(node.source(), entryPath + " must start with one of the letters " + std::string(letters) +
                                        (minLength > 1 ? ", then a mandatory mark, then a name" : ""));
            if (entry.find(';') != std::string::npos)
                fail(node.source(), entryPath + " must not contain \";\" (it separates the entries)");
            list += entry + ";";
        }
        setConfig(id, std::move(list), keyPath, entries->source());
    }

    void loadVersionOptions(const toml::array& lines) {
        if (lines.empty()) return;
        setConfig(kVersionOptionCountId, std::to_string(lines.size()), "java.version_options", lines.source());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string linePath = "java.version_options[" + std::to_string(i) + "]";
            const toml::node& node = *lines.get(i);
            const auto* line = node.as<toml::table>();
            if (!line) fail(node.source(), linePath + " must be a table, not " + std::string(typeName(node.type())));
            checkKeys(*line, "version_options");
            const int id = kVersionOptionCountId + 1 + 2 * static_cast<int>(i);
            for (const auto& [key, lineId] : {std::pair{"prefix", id}, std::pair{"options", id + 1}}) {
                const auto text = value<std::string>(line, key, linePath + "." + key);
                if (!text) fail(line->source(), linePath + "." + key + " is required");
                setConfig(lineId, *text, linePath + "." + key, line->get(key)->source());
            }
        }
    }

    void loadRawConfig(const toml::table& config) {
        for (auto&& [key, node] : config) {
            const std::string keyPath = "config." + std::string(key.str());
            const std::optional<int> id = parseId(key.str());
            if (!id) fail(key.source(), keyPath + ": a configuration id must be a decimal number below 2^31");
            if (*id == payload::kIncludedFileCountId || *id == payload::kIncludedFileNamesId)
                fail(key.source(), keyPath + ": ids 2002 and 2003 describe the included files and come from [[files]]");
            std::string text;
            if (const auto* s = node.as<std::string>())
                text = s->get();
            else if (const auto* n = node.as<std::int64_t>())
                text = std::to_string(n->get());
            else if (const auto* b = node.as<bool>())
                text = b->get() ? "1" : "0";
            else
                fail(node.source(),
                     keyPath + " must be a string, an integer or a boolean, not " + std::string(typeName(node.type())));
            setConfig(*id, std::move(text), keyPath, key.source());
        }
    }

    std::vector<payload::Message> readMessages(const toml::table& table, const std::string& tablePath) const {
        std::vector<payload::Message> messages;
        for (auto&& [key, node] : table) {
            const std::string keyPath = tablePath + "." + std::string(key.str());
            const std::optional<int> id = parseId(key.str());
            if (!id) fail(key.source(), keyPath + ": a message id must be a decimal number below 2^31");
            const auto* text = node.as<std::string>();
            if (!text) fail(node.source(), keyPath + " must be a string, not " + std::string(typeName(node.type())));
            messages.push_back({*id, utf16(node, text->get())});
        }
        return messages;
    }

    void overrideMessage(const payload::Message& message) {
        auto& messages = contents_.messages;
        const auto same = std::find_if(messages.begin(), messages.end(),
                                       [&](const payload::Message& known) { return known.id == message.id; });
        if (same != messages.end())
            same->text = message.text;
        else
            messages.push_back(message);
    }

    void loadLanguages(const toml::array& languages) {
        for (std::size_t i = 0; i < languages.size(); ++i) {
            const std::string blockPath = "languages[" + std::to_string(i) + "]";
            const toml::node& node = *languages.get(i);
            const auto* block = node.as<toml::table>();
            if (!block) fail(node.source(), blockPath + " must be a table, not " + std::string(typeName(node.type())));
            checkKeys(*block, "languages");
            const auto key = value<std::string>(block, "key", blockPath + ".key");
            if (!key) fail(block->source(), blockPath + ".key is required");
            if (key->empty() || !std::all_of(key->begin(), key->end(), [](char c) {
                    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
                }))
                fail(block->get("key")->source(),
                     blockPath + ".key must be a locale name or its prefix, such as \"de\" or \"pt_BR\"");
            payload::LanguageBlock language{*key, {}};
            if (const toml::table* messages = get<toml::table>(*block, "messages", blockPath + ".messages"))
                language.entries = readMessages(*messages, blockPath + ".messages");
            contents_.languages.push_back(std::move(language));
        }
    }

    void loadFiles(const toml::array& files) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::string filePath = "files[" + std::to_string(i) + "]";
            const toml::node& node = *files.get(i);
            const auto* file = node.as<toml::table>();
            if (!file) fail(node.source(), filePath + " must be a table, not " + std::string(typeName(node.type())));
            checkKeys(*file, "files");
            const auto source = value<std::string>(file, "source", filePath + ".source");
            if (!source) fail(file->source(), filePath + ".source is required");
            const toml::node& sourceNode = *file->get("source");
            const auto name = value<std::string>(file, "name", filePath + ".name");
            const toml::node& nameNode = name ? *file->get("name") : sourceNode;
            include(name ? *name : pathFromUtf8(*source).filename().string(), nameNode, filePath + ".name",
                    readReferenced(sourceNode, *source, filePath + ".source"));
        }
    }

    // A ready gzip-compressed tar, or a Java home packed into one here. The launcher sizes its
    // progress by 151, so it is set from the tar stream unless [config] sets it.
    void loadJreArchive(const toml::table& java) {
        const auto archive = value<std::string>(&java, "jre_archive", "java.jre_archive");
        if (!archive) return;
        const toml::node& node = *java.get("jre_archive");
        const bool sizeWanted = !setBy_.contains(kJreTarSizeId);
        const fs::path path = baseDir_ / pathFromUtf8(*archive);
        std::error_code error;
        CompressedTar jre = fs::is_directory(path, error) ? packJavaHome(node, *archive, path)
                                                          : readReadyArchive(node, *archive, sizeWanted);
        if (sizeWanted) setConfig(kJreTarSizeId, std::to_string(jre.tarSize), "java.jre_archive", node.source());
        include(kJreArchiveName, node, "java.jre_archive", std::move(jre.gzip));
    }

    [[noreturn]] void failNotAJre(const toml::node& node, const std::string& archive) const {
        fail(node.source(),
             "java.jre_archive: " + archive + " is neither a gzip file nor a Java home with bin/java.exe");
    }

    CompressedTar packJavaHome(const toml::node& node, const std::string& archive, const fs::path& home) const {
        std::error_code error;
        if (!fs::is_regular_file(home / "bin" / "java.exe", error)) failNotAJre(node, archive);
        try {
            return packDirectory(home);
        } catch (const FileError& packing) {
            fail(node.source(), std::string("java.jre_archive: ") + packing.what());
        }
    }

    // The tar size is counted by inflating: gzip's own size field holds it only modulo 2^32.
    CompressedTar readReadyArchive(const toml::node& node, const std::string& archive, bool sizeWanted) const {
        CompressedTar jre{readReferenced(node, archive, "java.jre_archive"), 0};
        if (!jre.gzip.starts_with("\x1F\x8B")) failNotAJre(node, archive);
        if (sizeWanted) {
            const std::optional<std::uint64_t> size = gunzippedSize(jre.gzip);
            if (!size) fail(node.source(), "java.jre_archive: " + archive + ": the gzip data is damaged or cut short");
            jre.tarSize = *size;
        }
        return jre;
    }

    void include(const std::string& name, const toml::node& where, const std::string& keyPath, std::string data) {
        if (const std::string problem = includedNameProblem(name); !problem.empty())
            fail(where.source(), keyPath + ": the included file name \"" + name + "\" " + problem);
        // Windows names ignore case, so two names differing only in case would overwrite each other.
        std::string folded = name;
        std::transform(folded.begin(), folded.end(), folded.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (!includedNames_.insert(folded).second)
            fail(where.source(), keyPath + ": the included file name \"" + name + "\" is used twice");
        contents_.files.push_back({name, std::move(data)});
    }

    // The bytes of a file named in the project, relative to the project file's directory.
    std::string readReferenced(const toml::node& node, const std::string& reference, const std::string& keyPath) const {
        try {
            return readFileBytes(baseDir_ / pathFromUtf8(reference));
        } catch (const FileError& error) {
            fail(node.source(), keyPath + ": " + error.what());
        }
    }

    std::string projectPath_;
    fs::path baseDir_;
    payload::Contents contents_;
    std::map<int, std::string> setBy_;  // configuration id -> the key that set it
    std::set<std::string> includedNames_;
};

}  // namespace

payload::Contents loadProject(const std::string& projectPath) {
    std::string text;
    try {
        text = readFileBytes(pathFromUtf8(projectPath));
    } catch (const FileError& error) {
        throw ProjectError(std::string("cannot read the project file ") + error.what());
    }
    toml::table root;
    try {
        root = toml::parse(text, projectPath);
    } catch (const toml::parse_error& error) {
        throw ProjectError(projectPath + ":" + std::to_string(error.source().begin.line) + ":" +
                           std::to_string(error.source().begin.column) + ": " + std::string(error.description()));
    }
    return ProjectLoader(projectPath).load(root);
}

}  // namespace qdrpack
