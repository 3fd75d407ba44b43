#include "formats/XmlTree.h"

#include "base/AppDirectory.h"
#include "base/InputFile.h"
#include "base/MessagePipe.h"
#include "base/ReplacingFile.h"

#include <cstdint>
#include <cstring>
#include <filesystem>

namespace tarn {
namespace {

// Settings, lists and presets are small; a larger file is no such file.
constexpr std::uint64_t kMostXmlBytes = std::uint64_t{64} << 20;

enum TokenKind : int { kOpenTag = 1, kCloseTag = 2, kText = 3 };

struct Token {
    TokenKind kind = kText;
    std::string_view text;
};

// Cuts the text into tags and texts one token at a time. Only the blank, CR
// and LF separate tokens; a tab is an ordinary character. Once the input is
// used up or a token is cut off by its end, no further token is produced.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view input) : input_(input) {}

    // False at the end of the input and after a token left unterminated.
    bool Next(Token& token) {
        while (position_ < input_.size()) {
            const char c = input_[position_++];
            if (c == '\r' || c == '\n') {
                continue;
            }
            if (c == ' ') {
                while (position_ < input_.size() && input_[position_] == ' ') {
                    ++position_;
                }
                continue;
            }
            if (c == '<') {
                token.kind = kOpenTag;
                if (position_ < input_.size() && input_[position_] == '/') {
                    token.kind = kCloseTag;
                    ++position_;
                }
                return Take(token, '>', 1);
            }
            token.kind = kText;
            --position_;
            return Take(token, '<', 0);
        }
        return false;
    }

private:
    // Takes the bytes up to the terminator as the token text and moves past
    // them and `skip` bytes of the terminator.
    bool Take(Token& token, char terminator, std::size_t skip) {
        const std::size_t end = input_.find(terminator, position_);
        if (end == std::string_view::npos) {
            position_ = input_.size();
            return false;
        }
        token.text = input_.substr(position_, end - position_);
        position_ = end + skip;
        return true;
    }

    std::string_view input_;
    std::size_t position_ = 0;
};

// The three characters that would end a text or a tag early travel as
// entities, so that no name or setting can break the file it is kept in.
// Any other "&" is read as it stands.
constexpr std::string_view kEntities[][2] = {{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}};

std::string Unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [entity, character] : kEntities) {
            if (text.substr(i, entity.size()) == entity) {
                out += character;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

void AppendEscaped(std::string_view text, std::string& out) {
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
}

// Builds elements from the tokens as they come. The close tag's name is not
// compared with the element's: any close tag ends the innermost open element.
// Nothing after the root's close tag becomes part of the tree.
class TreeBuilder {
public:
    TreeBuilder(XmlTree& tree, std::string_view text) : tree_(tree), tokens_(text) { Advance(); }

    // Builds one element and its content from the current open tag; depth 1
    // is the root. The node is attached before its content is read, so a
    // failure leaves what was built in the tree.
    bool Build(XmlNode* parent, int depth) {
        if (!hasToken_ || token_.kind != kOpenTag || depth > XmlTree::kMaxDepth) {
            return false;
        }
        std::string name(token_.text);
        XmlNode* node = parent != nullptr ? parent->AddChild(std::move(name))
                                          : tree_.AddNode(nullptr, std::move(name));
        Advance();
        while (hasToken_) {
            switch (token_.kind) {
            case kOpenTag:
                if (!Build(node, depth + 1)) {
                    return false;
                }
                break;
            case kCloseTag:
                Advance();
                return true;
            case kText:
                // A later text in the same element replaces the earlier one.
                node->SetValue(Unescaped(token_.text));
                Advance();
                break;
            }
        }
        return false;
    }

private:
    void Advance() { hasToken_ = tokens_.Next(token_); }

    XmlTree& tree_;
    Tokenizer tokens_;
    Token token_;
    bool hasToken_ = false;
};

// Follows dotted names downward from a node, each name selecting the first
// child of that name.
const XmlNode* Follow(const XmlNode* node, std::string_view names) {
    while (node != nullptr) {
        const std::size_t dot = names.find('.');
        node = node->ChildByName(names.substr(0, dot));
        if (dot == std::string_view::npos) {
            return node;
        }
        names.remove_prefix(dot + 1);
    }
    return nullptr;
}

void WriteNode(const XmlNode& node, std::size_t indent, std::string& out) {
    out.append(indent, ' ');
    out += '<';
    out += node.Name();
    out += '>';
    if (!node.Value().empty()) {
        // An element with a value is written without its children.
        AppendEscaped(node.Value(), out);
    } else {
        out += '\n';
        for (auto [index, child] : node.Children()) {
            WriteNode(*child, indent + 2, out);
        }
        out.append(indent, ' ');
    }
    out += "</";
    out += node.Name();
    out += ">\n";
}

// Every line break reaches the file as CR LF. A value read from a file may
// already hold CR LF; it is kept as it is rather than gaining a CR on every
// save.
std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    char previous = '\0';
    for (const char c : text) {
        if (c == '\n' && previous != '\r') {
            out += '\r';
        }
        out += c;
        previous = c;
    }
    return out;
}

} // namespace

XmlNode* XmlTree::AddNode(XmlNode* parent, std::string name, std::string value) {
    if (parent != nullptr) {
        return parent->AddChild(std::move(name), std::move(value));
    }
    if (root_ != nullptr) {
        return nullptr;
    }
    root_ = std::make_unique<XmlNode>(std::move(name), std::move(value));
    return root_.get();
}

const XmlNode* XmlTree::FindByPath(std::string_view path) const {
    if (root_ == nullptr) {
        return nullptr;
    }
    const std::size_t dot = path.find('.');
    if (path.substr(0, dot) != root_->Name()) {
        return nullptr;
    }
    return dot == std::string_view::npos ? root_.get() : Follow(root_.get(), path.substr(dot + 1));
}

XmlNode* XmlTree::FindByPath(std::string_view path) {
    return const_cast<XmlNode*>(std::as_const(*this).FindByPath(path));
}

int XmlTree::GetValue(std::string_view path, std::string& out) const {
    const XmlNode* node = FindByPath(path);
    if (node == nullptr) {
        return 0;
    }
    out = node->Value();
    return 1;
}

int XmlTree::SetValue(std::string_view path, std::string value) {
    const std::size_t dot = path.find('.');
    if (root_ == nullptr || dot == std::string_view::npos) {
        return 0;
    }
    auto* node = const_cast<XmlNode*>(Follow(root_.get(), path.substr(dot + 1)));
    if (node == nullptr) {
        return 0;
    }
    node->SetValue(std::move(value));
    return 1;
}

std::string XmlTree::Text() const {
    std::string out;
    if (root_ != nullptr) {
        WriteNode(*root_, 0, out);
    }
    return out;
}

int XmlTree::Parse(std::string_view text) {
    Clear();
    TreeBuilder builder(*this, text);
    return builder.Build(nullptr, 1) ? 1 : 0;
}

int XmlTree::Save(const std::filesystem::path& path) const {
    if (root_ == nullptr) {
        return 0;
    }
    const std::filesystem::path file = ResolvePath(path);
    if (const int failure = ReplaceFile(file, WithCrLf(Text())); failure != 0) {
        ErrorOut() << "error: failed to write file " << file.string() << ": "
                   << std::strerror(failure) << eol;
        return 0;
    }
    return 1;
}

bool XmlTree::ReadFile(const std::filesystem::path& file, std::string& content) {
    std::string problem;
    if (!ReadWholeFile(file, kMostXmlBytes, "the 64 MiB a settings file may hold", content,
                       problem)) {
        ErrorOut() << "error: failed to open file " << file.string() << eol;
        return false;
    }
    if (content.empty()) {
        ErrorOut() << "error: the file " << file.string() << " is empty" << eol;
        return false;
    }
    return true;
}

int XmlTree::Load(const std::filesystem::path& path) {
    Clear();
    std::string content;
    return ReadFile(ResolvePath(path), content) ? Parse(content) : 0;
}

int XmlTree::LoadComplete(const std::filesystem::path& path) {
    const std::filesystem::path file = ResolvePath(path);
    std::string content;
    if (!ReadFile(file, content)) {
        return 0;
    }
    XmlTree read;
    if (read.Parse(content) == 0) {
        ErrorOut() << "error: the file " << file.string() << " is damaged" << eol;
        return 0;
    }
    root_ = std::move(read.root_);
    return 1;
}

void XmlTree::Clear() {
    root_.reset();
}

} // namespace tarn
