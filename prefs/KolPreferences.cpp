#include "prefs/KolPreferences.h"

#include "prefs/BoundedPrinter.h"
#include "prefs/KolPreferencesImpl.h"
#include "prefs/PlistFormat.h"
#include "prefs/XmlShape.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <tinyxml2.h>

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;
using tinyxml2::XMLNode;

const std::array<PlistElementName, 9> plistElementNames = {{
    {fnv1Hash("string"), "string"},
    {fnv1Hash("integer"), "integer"},
    {fnv1Hash("real"), "real"},
    {fnv1Hash("true"), "true"},
    {fnv1Hash("false"), "false"},
    {fnv1Hash("array"), "array"},
    {fnv1Hash("dict"), "dict"},
    {fnv1Hash("data"), "data"},
    {fnv1Hash("key"), "key"},
}};

const char* const defaultPlistDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n"
    "<dict>\n"
    "</dict>\n"
    "</plist>\n";

// Document, back-end and count live together so that every copy sees the same document, also
// after one of them reloaded it. The changed flag and the stamp describe that document, so they
// live with it: a clean copy with a stamp of its own would reload over another copy's edits.
struct KolPreferences::Shared
{
    std::uint32_t count = 1;
    std::unique_ptr<XMLDocument> document;
    std::unique_ptr<KolPreferencesImpl> backEnd;
    std::uint32_t stamp = 0;
    bool dirty = false;
    // The loaded file held bytes that did not parse: they are kept aside before the file is
    // first replaced, since the document holds nothing of them.
    bool unreadable = false;
};

namespace {

constexpr std::size_t maxParseErrorLength = 1023;

// A file with elements deeper than this is not read, so the store creates none: it would not read
// its own file back. The parser has a limit of its own (tinyxml2 counts the document itself and
// fails on reaching it), which lies beyond.
static_assert(maxXmlElementDepth + 2 <= std::size_t(TINYXML2_MAX_ELEMENT_DEPTH));

// The value of a path of n components lies at level n + 2 (the root is level 1, the root
// dictionary level 2), beside its key, which holds text; array items lie one level deeper.
std::size_t maxKeyComponents(PlistType type)
{
    return maxXmlElementDepth - 2 - (type == PLIST_ARRAY ? 1 : 0);
}

// Whether bytes are what a preference file may hold to be read. Save checks the same of what it
// prints, the size as it prints.
bool readableAsPreferenceFile(std::string_view bytes)
{
    return std::int64_t(bytes.size()) <= maxPreferenceFileSize && XmlShapeWithinBounds(bytes);
}

// Reads the open file whole into bytes. False, with nothing read, when it is larger than any
// preference file, and on a read error; size is what the file held when opened.
bool readWhole(std::FILE* fp, std::string& bytes, std::int64_t& size)
{
    struct stat info
    {
    };
    if (::fstat(::fileno(fp), &info) != 0)
        return false;
    size = info.st_size;
    if (size > maxPreferenceFileSize)
        return false;
    // Up to one byte past the bound, so that a file that grew since it was measured is caught.
    const auto limit = std::size_t(maxPreferenceFileSize) + 1;
    std::size_t used = 0;
    bytes.resize(std::size_t(size) + 1);
    while (std::size_t n = std::fread(bytes.data() + used, 1, bytes.size() - used, fp)) {
        used += n;
        if (used == bytes.size() && used < limit)
            bytes.resize(std::min(limit, 2 * used));
    }
    bytes.resize(used);
    return !std::ferror(fp) && used < limit;
}

bool hashesTo(const char* name, PlistType type)
{
    return fnv1Hash(name) == plistElementNames[type].hash;
}

// The text of a key element: its first child, when that is text.
const char* keyText(const XMLElement* key)
{
    const XMLNode* child = key->FirstChild();
    return child && child->ToText() ? child->Value() : nullptr;
}

bool keyMatches(const XMLElement* key, const std::string& component)
{
    const char* text = keyText(key);
    return text && component == text;
}

} // namespace

KolPreferences::KolPreferences(const std::string& name, std::uint32_t scope)
    : m_shared(new Shared), m_name(name), m_scope(scope)
{
    m_shared->backEnd = std::make_unique<KolPreferencesUnix>();
}

KolPreferences::KolPreferences(const KolPreferences& other)
    : m_shared(other.m_shared), m_name(other.m_name), m_autoReload(other.m_autoReload),
      m_scope(other.m_scope)
{
    ++m_shared->count;
}

KolPreferences& KolPreferences::operator=(const KolPreferences& other)
{
    if (this == &other)
        return *this;
    ++other.m_shared->count; // first, in case both already share one state
    Release();
    m_shared = other.m_shared;
    m_name = other.m_name;
    m_autoReload = other.m_autoReload;
    m_scope = other.m_scope;
    return *this;
}

KolPreferences::~KolPreferences()
{
    Release();
}

void KolPreferences::Release()
{
    if (--m_shared->count == 0) {
        m_shared->backEnd.reset();
        m_shared->document.reset();
        delete m_shared;
    }
    m_shared = nullptr;
}

XMLDocument* KolPreferences::Document() const
{
    return m_shared->document.get();
}

XMLElement* KolPreferences::RootDictionary() const
{
    XMLDocument* document = Document();
    XMLElement* root = document ? document->FirstChildElement() : nullptr;
    return root ? root->FirstChildElement() : nullptr;
}

const char* KolPreferences::ResultName(std::int32_t result)
{
    static const char* const names[] = {"SUCCESS", "NO_VALUE", "EMPTY_KEY", "INCORRECT_TYPE",
                                        "CRITICAL_ERROR"};
    if (result < 0 || result >= static_cast<std::int32_t>(std::size(names)))
        return "UNKNOWN";
    return names[result];
}

std::string KolPreferences::GetDirectory() const
{
    std::string directory;
    if (!m_shared->backEnd || !m_shared->backEnd->GetDirectory(directory, m_scope))
        return {};
    return directory;
}

bool KolPreferences::Load(std::string& error, bool autoReload)
{
    KolPreferencesImpl* backEnd = m_shared->backEnd.get();
    if (!backEnd)
        return false;
    std::string message;
    auto handle = backEnd->Open(m_name, KolPreferencesImpl::READ, m_scope, false, message);
    if (!handle->fp) {
        error += "ERROR: " + message;
        backEnd->Close(std::move(handle), false);
        return false;
    }

    m_shared->document = std::make_unique<XMLDocument>(true, tinyxml2::PRESERVE_WHITESPACE);
    XMLDocument* document = m_shared->document.get();
    std::string bytes;
    std::int64_t size = 0;
    const bool read = readWhole(handle->fp, bytes, size);
    backEnd->Close(std::move(handle), false);
    // A file larger than any preference file, with an element so crowded with attributes that
    // the parser would take minutes over it, nested too deep, or whose parse would stop before
    // its end and drop the rest, is not parsed at all: it loads as one that does not parse.
    const bool parsed = read && readableAsPreferenceFile(bytes) &&
                        document->Parse(bytes.data(), bytes.size()) == tinyxml2::XML_SUCCESS;
    m_shared->unreadable = !parsed && size > 0;

    // A file that does not parse comes up as whatever the parser kept, repaired.
    const bool repaired = EnsureRoot(error);
    if (!parsed && !repaired) {
        if (const char* parseError = document->ErrorStr())
            error += std::string(parseError).substr(0, maxParseErrorLength);
        return false;
    }
    if (!repaired)
        return false;

    m_autoReload = autoReload;
    if (m_autoReload)
        backEnd->GetStamp(m_name, m_scope, m_shared->stamp);
    return true;
}

bool KolPreferences::EnsureRoot(std::string& error)
{
    XMLDocument* document = Document();
    XMLElement* root = document->FirstChildElement();
    if (!root) {
        root = document->NewElement("plist");
        if (!root) {
            error += "ERROR: Failed to recreate <plist> tag. Out of memory!\n";
            return false;
        }
        root->SetAttribute("version", "1.0");
        if (!document->InsertEndChild(root)) {
            error += "ERROR: Failed to link <plist> tag!\n";
            return false;
        }
    }
    XMLElement* dictionary = root->FirstChildElement();
    if (dictionary && hashesTo(dictionary->Name(), PLIST_DICT))
        return Validate(error, dictionary->FirstChildElement(), false);

    // The new dictionary goes first so that lookups and setters, which always start at the
    // root's first child element, use it and never write into whatever element stood there.
    dictionary = document->NewElement("dict");
    if (!dictionary) {
        error += "ERROR: Failed to recreate <dict> tag. Out of memory!\n";
        return false;
    }
    if (!root->InsertFirstChild(dictionary)) {
        error += "ERROR: Failed to link <dict> tag!\n";
        return false;
    }
    return true;
}

bool KolPreferences::Validate(std::string& error, XMLElement* first, bool inArray) const
{
    // Recursion depth is bounded by the parser's element depth limit.
    for (XMLElement* element = first; element;) {
        if (inArray) {
            if (std::string_view(element->Name()) == "key") {
                error += "ERROR: Array elements cannot contain a <key> tag!\n";
                return false;
            }
            element = element->NextSiblingElement();
            continue;
        }
        if (std::string_view(element->Name()) != "key") {
            error += "ERROR: Missing <key> tag\n";
            return false;
        }
        XMLElement* value = element->NextSiblingElement();
        if (!value) {
            error += "ERROR: Key missing value!";
            return false;
        }
        // Hashed once: every save runs this walk too.
        const std::uint32_t hash = fnv1Hash(value->Name());
        if (hash == plistElementNames[PLIST_KEY].hash) {
            error += "ERROR: Key missing value\n";
            return false;
        }
        if (hash == plistElementNames[PLIST_DICT].hash &&
            !Validate(error, value->FirstChildElement(), false))
            return false;
        if (hash == plistElementNames[PLIST_ARRAY].hash &&
            !Validate(error, value->FirstChildElement(), true))
            return false;
        element = value->NextSiblingElement();
    }
    return true;
}

bool KolPreferences::Save(bool force)
{
    KolPreferencesImpl* backEnd = m_shared->backEnd.get();
    XMLDocument* document = Document();
    if (!backEnd || !document)
        return false;
    if (!force && !m_shared->dirty)
        return true;

    // A document that Load refuses would end the next start. Only the dictionaries and the lists
    // that Load validates are walked, never a list's items: far less than printing.
    std::string invalid;
    XMLElement* dictionary = RootDictionary();
    const bool valid = !dictionary || !hashesTo(dictionary->Name(), PLIST_DICT) ||
                       Validate(invalid, dictionary->FirstChildElement(), false);
    // Indentation alone can make a deeply nested document many times larger than the file it was
    // read from, and values may grow it. Printing stops once past the bound, so that a save
    // refused for its size costs no more than reading the largest file.
    BoundedPrinter printer{std::size_t(maxPreferenceFileSize)};
    if (valid)
        document->Print(&printer);
    const std::string_view printed = printer.printed();

    std::string message;
    auto handle = backEnd->Open(m_name, KolPreferencesImpl::WRITE, m_scope, true, message);
    if (!handle->fp) {
        backEnd->Close(std::move(handle), false);
        return false;
    }
    if (!valid || printer.overflowed() || !XmlShapeWithinBounds(printed)) {
        if (!valid) {
            while (!invalid.empty() && invalid.back() == '\n')
                invalid.pop_back();
            std::fprintf(stderr,
                         "The preference file %s was not saved: it would not be read back (%s).\n",
                         handle->path.c_str(), invalid.c_str());
        } else if (printer.overflowed()) {
            std::fprintf(stderr,
                         "The preference file %s was not saved: it would take more than the %lld "
                         "bytes a preference file may hold.\n",
                         handle->path.c_str(), static_cast<long long>(maxPreferenceFileSize));
        } else {
            std::fprintf(stderr,
                         "The preference file %s was not saved: it would not be read back.\n",
                         handle->path.c_str());
        }
        backEnd->Close(std::move(handle), false);
        return false;
    }
    // The user's settings may still be in the bytes that did not parse, and only a hand or a tool
    // that reads them can get them back: they are kept, or the file is not replaced.
    if (m_shared->unreadable) {
        std::string kept;
        if (!KeepFileAside(handle->path, kept, message)) {
            std::fprintf(stderr, "%s\n", message.c_str());
            backEnd->Close(std::move(handle), false);
            return false;
        }
        m_shared->unreadable = false;
        if (!kept.empty())
            std::fprintf(stderr,
                         "The preference file %s could not be read; it was kept as %s before "
                         "being replaced.\n",
                         handle->path.c_str(), kept.c_str());
    }
    const bool written =
        std::fwrite(printed.data(), 1, printed.size(), handle->fp) == printed.size() &&
        std::fflush(handle->fp) == 0 && !std::ferror(handle->fp);
    // A full disk or a file-size limit: the old file stays, and nothing else would tell.
    int cause = written ? 0 : errno;
    const std::string path = handle->path;
    if (!backEnd->Close(std::move(handle), written) || !written) {
        if (written)
            cause = errno;
        std::fprintf(stderr, "The preference file %s was not saved: %s.\n", path.c_str(),
                     std::strerror(cause ? cause : EIO));
        return false;
    }

    m_shared->dirty = false;
    // Taken whatever this copy's auto-reload: another copy may reload on a stale stamp.
    backEnd->GetStamp(m_name, m_scope, m_shared->stamp);
    return true;
}

bool KolPreferences::ReloadIfChanged()
{
    if (!m_autoReload || m_shared->dirty)
        return true;
    std::uint32_t stamp = 0;
    if (!m_shared->backEnd->GetStamp(m_name, m_scope, stamp) || stamp == m_shared->stamp)
        return true;
    std::string scratch;
    return Load(scratch, true);
}

void KolPreferences::SetDirty(bool dirty)
{
    m_shared->dirty = dirty;
}

void KolPreferences::SplitKey(const std::string& key, std::vector<std::string>& components)
{
    std::string text = key;
    if (!text.empty() && text.front() == '/')
        text.erase(0, 1);
    if (!text.empty() && text.back() == '/')
        text.pop_back();
    std::size_t from = 0;
    for (std::size_t slash = text.find('/'); slash != std::string::npos;
         slash = text.find('/', from)) {
        if (slash > from)
            components.push_back(text.substr(from, slash - from));
        from = slash + 1;
    }
    components.push_back(text.substr(from));
}

int KolPreferences::FindKey(const std::vector<std::string>& components, XMLElement*& value) const
{
    XMLElement* dictionary = RootDictionary();
    XMLElement* key = dictionary ? dictionary->FirstChildElement() : nullptr;
    std::size_t index = 0;
    while (key) {
        XMLElement* candidate = key->NextSiblingElement();
        if (!candidate)
            return 1;
        if (keyMatches(key, components[index])) {
            if (++index == components.size()) {
                value = candidate;
                return 0;
            }
            key = candidate->FirstChildElement();
        } else {
            key = candidate->NextSiblingElement();
        }
    }
    return 1;
}

XMLElement* KolPreferences::CreateKey(const std::vector<std::string>& components,
                                      std::uint32_t start, std::int32_t type, XMLElement* first,
                                      XMLElement* parent)
{
    XMLDocument* document = Document();
    const std::size_t last = components.size() - 1;
    std::size_t index = start;
    XMLElement* cursor = first;
    auto appendKey = [&](const std::string& text) {
        XMLElement* key = document->NewElement(plistElementName(PLIST_KEY).c_str());
        key->InsertEndChild(document->NewText(text.c_str()));
        parent->InsertEndChild(key);
    };
    while (index < last) {
        bool descended = false;
        for (XMLElement* key = cursor; key;) {
            XMLElement* value = key->NextSiblingElement();
            if (!value)
                return nullptr;
            if (keyMatches(key, components[index])) {
                // A list holds values only: a key put into one makes a file that Load refuses.
                // The test is Load's own, by hash.
                if (hashesTo(value->Name(), PLIST_ARRAY))
                    return nullptr;
                parent = value;
                cursor = value->FirstChildElement();
                descended = true;
                break;
            }
            key = value->NextSiblingElement();
        }
        if (!descended) {
            appendKey(components[index]);
            XMLElement* dictionary = document->NewElement(plistElementName(PLIST_DICT).c_str());
            parent->InsertEndChild(dictionary);
            parent = dictionary;
            cursor = nullptr;
        }
        ++index;
    }
    appendKey(components[last]);
    XMLElement* value = document->NewElement(plistElementName(PlistType(type)).c_str());
    if (type != PLIST_TRUE && type != PLIST_FALSE)
        value->InsertEndChild(document->NewText(""));
    parent->InsertEndChild(value);
    return value;
}

bool KolPreferences::Exists(const std::string& key) const
{
    if (!Document())
        return false;
    std::vector<std::string> components;
    SplitKey(key, components);
    XMLElement* value = nullptr;
    return FindKey(components, value) == 0;
}

KolPreferences::Result KolPreferences::Remove(const std::string& key, std::uint32_t depth)
{
    if (!Document())
        return CRITICAL_ERROR;
    std::vector<std::string> components;
    SplitKey(key, components);
    // Removes the entry, then every directly following duplicate of it that holds no elements.
    // A loop rather than recursion: a hostile file may hold any number of duplicates.
    for (;; ++depth) {
        XMLElement* value = nullptr;
        if (FindKey(components, value) != 0)
            return depth == 0 ? NO_VALUE : SUCCESS;
        if (depth > 0 && value->FirstChildElement())
            return SUCCESS;
        XMLNode* parent = value->Parent();
        if (!parent)
            return SUCCESS;
        if (XMLElement* keyElement = value->PreviousSiblingElement())
            parent->DeleteChild(keyElement);
        parent->DeleteChild(value);
        SetDirty(true);
    }
}

KolPreferences::Result KolPreferences::ReachForRead(const std::string& key, XMLElement*& value)
{
    if (!ReloadIfChanged())
        return CRITICAL_ERROR;
    std::vector<std::string> components;
    SplitKey(key, components);
    return FindKey(components, value) == 0 ? SUCCESS : NO_VALUE;
}

KolPreferences::Result KolPreferences::ReachForWrite(const std::string& key, std::int32_t type,
                                                     XMLElement*& value)
{
    if (!Document())
        return CRITICAL_ERROR;
    if (key.empty())
        return EMPTY_KEY;
    std::vector<std::string> components;
    SplitKey(key, components);
    if (components.size() > maxKeyComponents(PlistType(type)))
        return CRITICAL_ERROR;
    if (!ReloadIfChanged())
        return CRITICAL_ERROR;
    if (FindKey(components, value) != 0) {
        XMLElement* dictionary = RootDictionary();
        if (!dictionary)
            return CRITICAL_ERROR;
        value = CreateKey(components, 0, type, dictionary->FirstChildElement(), dictionary);
        return value ? SUCCESS : CRITICAL_ERROR;
    }
    const std::string& name = plistElementName(PlistType(type));
    if (name != value->Name()) {
        value->SetName(name.c_str());
        if (type == PLIST_TRUE || type == PLIST_FALSE)
            value->DeleteChildren();
    }
    return SUCCESS;
}
