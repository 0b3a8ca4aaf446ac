// Assembling the document body from the template and the filled forms.
#include "docbuild/body.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sstream>

#include "docbuild/contents.h"

namespace docbuild {

namespace {

constexpr const char* kDocumentPart = "word/document.xml";
constexpr const char* kRelsPart = "word/_rels/document.xml.rels";
constexpr const char* kTypesPart = "[Content_Types].xml";
constexpr const char* kMainType = "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
constexpr const char* kImageRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";
constexpr const char* kHyperlinkRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink";
constexpr const char* kContentsMark = "chronava-contents";
// Stands for the picture while a "$FIG" paragraph is split; a private-use character
// that no form contains.
constexpr const char* kPictureMark = "\xEE\x80\x80";
// Share of the text height a picture may take, leaving room for a heading above it.
constexpr std::int64_t kPictureHeightPercent = 82;
// Relationship numbers of a template the builder counts on from.
constexpr long long kRelIdLimit = 1LL << 30;

constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_ws_pcdata_single;

// Namespaces the builder's own markup uses; declared on the root when missing.
const char* const kNamespaces[][2] = {
    {"xmlns:w", "http://schemas.openxmlformats.org/wordprocessingml/2006/main"},
    {"xmlns:r", "http://schemas.openxmlformats.org/officeDocument/2006/relationships"},
    {"xmlns:wp", "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"},
    {"xmlns:a", "http://schemas.openxmlformats.org/drawingml/2006/main"},
    {"xmlns:pic", "http://schemas.openxmlformats.org/drawingml/2006/picture"},
};

std::string toXml(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw | pugi::format_no_declaration);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n" + out.str();
}

// A number attribute of a template or form; the fallback when it is missing or no
// number. Values are kept within ±kAttrLimit (far beyond any page size in twips or any
// outline level), so a damaged file cannot make the page arithmetic overflow.
constexpr long kAttrLimit = 1L << 24;
long attrLong(pugi::xml_node n, const char* name, long fallback) {
    pugi::xml_attribute a = n.attribute(name);
    if (!a) return fallback;
    char* end = nullptr;
    long v = std::strtol(a.value(), &end, 10);
    if (!end || end == a.value()) return fallback;
    return std::clamp(v, -kAttrLimit, kAttrLimit);
}

bool isOn(pugi::xml_node n) {
    if (!n) return false;
    std::string v = n.attribute("w:val").value();
    return v.empty() || (v != "0" && v != "false" && v != "off");
}

// The w:t elements that belong to `p` itself (not to a paragraph nested in a text box).
void collectTexts(pugi::xml_node p, pugi::xml_node n, std::vector<pugi::xml_node>& out) {
    for (pugi::xml_node c : n.children()) {
        if (c.type() != pugi::node_element) continue;
        if (std::strcmp(c.name(), "w:t") == 0) out.push_back(c);
        else if (std::strcmp(c.name(), "w:p") != 0) collectTexts(p, c, out);
    }
}

std::string paragraphText(pugi::xml_node p) {
    std::vector<pugi::xml_node> ts;
    collectTexts(p, p, ts);
    std::string s;
    for (auto t : ts) s += t.text().get();
    return s;
}

void setText(pugi::xml_node t, const std::string& s) {
    t.text().set(s.c_str());
    if (!t.attribute("xml:space")) t.append_attribute("xml:space") = "preserve";
}

pugi::xml_node ensurePPr(pugi::xml_node p) {
    pugi::xml_node ppr = p.child("w:pPr");
    if (!ppr) ppr = p.prepend_child("w:pPr");
    return ppr;
}

void setPageBreakBefore(pugi::xml_node p) {
    pugi::xml_node ppr = ensurePPr(p);
    if (pugi::xml_node b = ppr.child("w:pageBreakBefore")) {
        b.remove_attribute("w:val");
        return;
    }
    // pageBreakBefore follows pStyle, keepNext and keepLines in the element order.
    pugi::xml_node after;
    for (const char* n : {"w:keepLines", "w:keepNext", "w:pStyle"})
        if (!after) after = ppr.child(n);
    if (after) ppr.insert_child_after("w:pageBreakBefore", after);
    else ppr.prepend_child("w:pageBreakBefore");
}

// Every paragraph of `n`, itself included, in document order.
void paragraphsOf(pugi::xml_node n, std::vector<pugi::xml_node>& out) {
    if (std::strcmp(n.name(), "w:p") == 0) out.push_back(n);
    for (pugi::xml_node c : n.children())
        if (c.type() == pugi::node_element) paragraphsOf(c, out);
}

// The part a relationship of the main document names ("media/x.png" or "/word/media/x.png").
const std::string* partFor(const Package& pkg, const std::string& target) {
    if (!target.empty() && target[0] == '/') return pkg.part(target.substr(1));
    return pkg.part("word/" + target);
}

// The extension a picture of a form keeps in the document: its own when it is a plain
// one (a dot and up to five letters or digits), else ".bin", so a form's target name
// cannot put folders or odd characters into the names of the document's parts.
std::string pictureExtension(const std::string& target) {
    std::size_t dot = target.find_last_of('.');
    if (dot == std::string::npos || target.size() - dot < 2 || target.size() - dot > 6) return ".bin";
    for (std::size_t i = dot + 1; i < target.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(target[i]))) return ".bin";
    return target.substr(dot);
}

bool isTagChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

}  // namespace

struct DocumentBody::Form {
    Package pkg;
    pugi::xml_document doc;
    pugi::xml_node body;
    pugi::xml_document rels;
};

int replaceTags(pugi::xml_node paragraph, const TagValues& values) {
    static const char* const kKnown[] = {"$PRJ", "$DTD", "$TLN", "$FIG", "$SYS", "$LGT", "$TOC"};
    std::vector<pugi::xml_node> ts;
    collectTexts(paragraph, paragraph, ts);
    if (ts.empty()) return 0;
    std::vector<std::string> texts;
    std::string all;
    for (auto t : ts) {
        texts.push_back(t.text().get());
        all += texts.back();
    }
    // Tag positions, found on the joined text so tags split across runs are seen.
    struct Hit {
        std::size_t at;
        std::string value;
    };
    std::vector<Hit> hits;
    for (std::size_t i = 0; i + 4 <= all.size(); ++i) {
        if (all[i] != '$' || !isTagChar(all[i + 1]) || !isTagChar(all[i + 2]) || !isTagChar(all[i + 3])) continue;
        std::string tag = all.substr(i, 4);
        auto it = values.find(tag);
        bool known = it != values.end() ||
                     std::any_of(std::begin(kKnown), std::end(kKnown), [&](const char* k) { return tag == k; });
        if (!known) continue;
        hits.push_back({i, it == values.end() ? std::string() : it->second});
        i += 3;
    }
    if (hits.empty()) return 0;
    // Rebuild each text node: a tag's value goes where the tag starts, the tag's
    // characters vanish from every node they spread over.
    std::vector<std::string> out(texts.size());
    std::size_t node = 0, offset = 0, h = 0;
    for (std::size_t pos = 0; pos < all.size();) {
        while (node < texts.size() && pos >= offset + texts[node].size()) offset += texts[node++].size();
        if (h < hits.size() && pos == hits[h].at) {
            out[node] += hits[h].value;
            pos += 4;
            ++h;
            continue;
        }
        out[node] += all[pos++];
    }
    for (std::size_t i = 0; i < ts.size(); ++i)
        if (out[i] != texts[i]) setText(ts[i], out[i]);
    return static_cast<int>(hits.size());
}

DocumentBody::DocumentBody() : doc_(std::make_unique<pugi::xml_document>()), rels_(std::make_unique<pugi::xml_document>()) {}
DocumentBody::~DocumentBody() = default;

std::string DocumentBody::loadTemplate(const std::string& path) {
    PackageError e = pkg_.load(path);
    if (e == PackageError::Open) return "テンプレートファイルが Word 文書(.docx)ではありません。[" + path + "]";
    if (e != PackageError::None) return "テンプレートファイルが壊れています。[" + path + "]";
    const std::string* main = pkg_.part(kDocumentPart);
    if (!main || !doc_->load_buffer(main->data(), main->size(), kParseFlags))
        return "テンプレートファイルが壊れています。[" + path + "]";
    pugi::xml_node root = doc_->child("w:document");
    pugi::xml_node body = root.child("w:body");
    if (!body) return "テンプレートファイルが壊れています。[" + path + "]";
    for (const auto& ns : kNamespaces)
        if (!root.attribute(ns[0])) root.append_attribute(ns[0]) = ns[1];
    // Keep only the final section properties of the template's body.
    pugi::xml_node sect = body.last_child();
    if (std::strcmp(sect.name(), "w:sectPr") != 0) sect = body.append_child("w:sectPr");
    while (body.first_child() != sect) body.remove_child(body.first_child());
    pugi::xml_node sz = sect.child("w:pgSz"), mar = sect.child("w:pgMar");
    long w = attrLong(sz, "w:w", 11906), hgt = attrLong(sz, "w:h", 16838);
    long left = attrLong(mar, "w:left", 1440), right = attrLong(mar, "w:right", 1440);
    long top = std::labs(attrLong(mar, "w:top", 1440)), bottom = std::labs(attrLong(mar, "w:bottom", 1440));
    textCx_ = std::max<std::int64_t>(w - left - right, 1440) * kEmuPerTwip;
    textCy_ = std::max<std::int64_t>(hgt - top - bottom, 1440) * kEmuPerTwip;

    if (const std::string* rels = pkg_.part(kRelsPart); !rels || !rels_->load_buffer(rels->data(), rels->size(), kParseFlags)) {
        rels_->reset();
        rels_->append_child("Relationships").append_attribute("xmlns") =
            "http://schemas.openxmlformats.org/package/2006/relationships";
    }
    for (pugi::xml_node r : rels_->child("Relationships").children("Relationship")) {
        // New relationships are numbered after the template's own. A number too large
        // for the counter to ever reach cannot collide with a new one and is passed over.
        std::string id = r.attribute("Id").value();
        if (id.size() > 3 && id.compare(0, 3, "rId") == 0) {
            long long n = std::strtoll(id.c_str() + 3, nullptr, 10);
            if (n > 0 && n < kRelIdLimit) nextRel_ = std::max(nextRel_, static_cast<int>(n) + 1);
        }
    }
    // Styles with an outline level make headings, as do the built-in "heading N" names.
    if (const std::string* styles = pkg_.part("word/styles.xml")) {
        pugi::xml_document sd;
        if (sd.load_buffer(styles->data(), styles->size(), kParseFlags)) {
            for (pugi::xml_node s : sd.child("w:styles").children("w:style")) {
                std::string id = s.attribute("w:styleId").value();
                pugi::xml_node lvl = s.child("w:pPr").child("w:outlineLvl");
                std::string name = s.child("w:name").attribute("w:val").value();
                if (lvl) outlineLevels_[id] = static_cast<int>(attrLong(lvl, "w:val", 9)) + 1;
                else if (name.size() == 9 && name.compare(0, 8, "heading ") == 0 && name[8] >= '1' && name[8] <= '9')
                    outlineLevels_[id] = name[8] - '0';
            }
        }
    }
    for (const auto& [name, bytes] : pkg_.parts())
        if (name.compare(0, 11, "word/media/") == 0) ++nextMedia_;
    return {};
}

int DocumentBody::headingLevel(pugi::xml_node p) const {
    pugi::xml_node ppr = p.child("w:pPr");
    if (pugi::xml_node lvl = ppr.child("w:outlineLvl")) return static_cast<int>(attrLong(lvl, "w:val", 9)) + 1;
    auto it = outlineLevels_.find(ppr.child("w:pStyle").attribute("w:val").value());
    return it == outlineLevels_.end() ? 0 : it->second;
}

std::string DocumentBody::loadForm(const std::string& path, Form& f) {
    PackageError e = f.pkg.load(path);
    if (e == PackageError::Open) return "フォームファイルが Word 文書(.docx)ではありません。[" + path + "]";
    if (e != PackageError::None) return "フォームファイルが壊れています。[" + path + "]";
    const std::string* main = f.pkg.part(kDocumentPart);
    if (!main || !f.doc.load_buffer(main->data(), main->size(), kParseFlags) ||
        !(f.body = f.doc.child("w:document").child("w:body")))
        return "フォームファイルが壊れています。[" + path + "]";
    if (const std::string* rels = f.pkg.part(kRelsPart)) f.rels.load_buffer(rels->data(), rels->size(), kParseFlags);
    return {};
}

std::string DocumentBody::addPicturePart(const std::string& bytes) {
    std::string media = "media/image" + std::to_string(nextMedia_++) + ".wmf";
    while (pkg_.has("word/" + media)) media = "media/image" + std::to_string(nextMedia_++) + ".wmf";
    pkg_.setPart("word/" + media, bytes);
    std::string id = "rId" + std::to_string(nextRel_++);
    pugi::xml_node r = rels_->child("Relationships").append_child("Relationship");
    r.append_attribute("Id") = id.c_str();
    r.append_attribute("Type") = kImageRel;
    r.append_attribute("Target") = media.c_str();
    return id;
}

std::string DocumentBody::appendForm(const std::string& formPath, const TagValues& values,
                                     const std::vector<PicturePage>& pictures, bool newPage, bool contents) {
    auto& slot = forms_[formPath];
    if (!slot) {
        auto f = std::make_unique<Form>();
        std::string err = loadForm(formPath, *f);
        if (!err.empty()) {
            forms_.erase(formPath);
            return err;
        }
        slot = std::move(f);
    }
    Form& form = *slot;
    pugi::xml_node body = doc_->child("w:document").child("w:body");
    pugi::xml_node sect = body.last_child();

    // Copy the form's content in front of the section properties.
    std::vector<pugi::xml_node> added;
    for (pugi::xml_node c : form.body.children()) {
        if (c.type() != pugi::node_element || std::strcmp(c.name(), "w:sectPr") == 0) continue;
        added.push_back(body.insert_copy_before(c, sect));
    }
    if (added.empty()) added.push_back(body.insert_child_before("w:p", sect));

    // Relationships the copied content refers to: pictures come along, links are kept,
    // anything else is dropped from the copy.
    std::map<std::string, std::string> relMap;
    std::vector<pugi::xml_node> stack(added.begin(), added.end());
    while (!stack.empty()) {
        pugi::xml_node n = stack.back();
        stack.pop_back();
        for (pugi::xml_node c : n.children())
            if (c.type() == pugi::node_element) stack.push_back(c);
        for (const char* an : {"r:embed", "r:id", "r:link"}) {
            pugi::xml_attribute a = n.attribute(an);
            if (!a) continue;
            std::string old = a.value();
            auto done = relMap.find(old);
            if (done == relMap.end()) {
                std::string mapped;
                pugi::xml_node rel =
                    form.rels.child("Relationships").find_child_by_attribute("Relationship", "Id", old.c_str());
                std::string type = rel.attribute("Type").value(), target = rel.attribute("Target").value();
                if (type == kImageRel && std::strcmp(rel.attribute("TargetMode").value(), "External") != 0) {
                    if (const std::string* bytes = partFor(form.pkg, target)) {
                        std::string ext = pictureExtension(target);
                        std::string media = "media/form" + std::to_string(nextMedia_++) + ext;
                        pkg_.setPart("word/" + media, *bytes);
                        mapped = "rId" + std::to_string(nextRel_++);
                        pugi::xml_node r = rels_->child("Relationships").append_child("Relationship");
                        r.append_attribute("Id") = mapped.c_str();
                        r.append_attribute("Type") = kImageRel;
                        r.append_attribute("Target") = media.c_str();
                        defaultTypes_.insert(ext);
                    }
                } else if (type == kHyperlinkRel) {
                    mapped = "rId" + std::to_string(nextRel_++);
                    pugi::xml_node r = rels_->child("Relationships").append_child("Relationship");
                    r.append_attribute("Id") = mapped.c_str();
                    r.append_attribute("Type") = kHyperlinkRel;
                    r.append_attribute("Target") = target.c_str();
                    r.append_attribute("TargetMode") = "External";
                }
                done = relMap.emplace(old, mapped).first;
            }
            if (done->second.empty()) n.remove_attribute(a);
            else a.set_value(done->second.c_str());
        }
    }

    // Replace the tags, paragraph by paragraph.
    std::vector<pugi::xml_node> paras;
    for (pugi::xml_node n : added) paragraphsOf(n, paras);
    std::vector<pugi::xml_node> placed;  // the paragraphs after replacement, in order
    for (pugi::xml_node p : paras) {
        std::string text = paragraphText(p);
        if (text.find("$TOC") != std::string::npos) {
            // The contents go here; the mark keeps the paragraph's properties.
            while (pugi::xml_node c = p.last_child()) {
                if (std::strcmp(c.name(), "w:pPr") == 0) break;
                p.remove_child(c);
            }
            if (!p.attribute(kContentsMark)) p.append_attribute(kContentsMark) = "1";
            contents = false;
            placed.push_back(p);
            continue;
        }
        if (text.find("$FIG") == std::string::npos) {
            replaceTags(p, values);
            placed.push_back(p);
            continue;
        }
        // One copy of the paragraph per picture, the tag's run split around the picture.
        TagValues withMark = values;
        withMark["$FIG"] = kPictureMark;
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            pugi::xml_node copy = p.parent().insert_copy_before(p, p);
            replaceTags(copy, withMark);
            std::vector<pugi::xml_node> ts;
            collectTexts(copy, copy, ts);
            for (pugi::xml_node t : ts) {
                std::string s = t.text().get();
                std::size_t at = s.find(kPictureMark);
                if (at == std::string::npos) continue;
                // The run splits in three: its content up to the mark, the picture, and
                // the content behind the mark (a tab or break after the tag stays there).
                pugi::xml_node r = t.parent();
                int index = 0;
                for (pugi::xml_node c = r.first_child(); c != t; c = c.next_sibling()) ++index;
                pugi::xml_node after = r.parent().insert_copy_after(r, r);
                pugi::xml_node pic = r.parent().insert_copy_after(r, r);
                const std::string before = s.substr(0, at), rest = s.substr(at + std::strlen(kPictureMark));
                setText(t, before);
                while (t.next_sibling()) r.remove_child(t.next_sibling());
                pugi::xml_node mark = after.first_child();
                for (int k = 0; k < index; ++k) mark = mark.next_sibling();
                for (pugi::xml_node c = after.first_child(); c && c != mark;) {
                    pugi::xml_node next = c.next_sibling();
                    if (std::strcmp(c.name(), "w:rPr") != 0) after.remove_child(c);
                    c = next;
                }
                if (rest.empty() && mark.next_sibling()) after.remove_child(mark);
                else setText(mark, rest);
                while (pugi::xml_node c = pic.last_child()) {
                    if (std::strcmp(c.name(), "w:rPr") == 0) break;
                    pic.remove_child(c);
                }
                PictureSize size;
                metafileSize(pictures[i].bytes, size);
                size = fitInto(size, textCx_, textCy_ * kPictureHeightPercent / 100);
                std::string rel = addPicturePart(pictures[i].bytes);
                int id = nextDrawing_++;
                pugi::xml_document frag;
                std::string xml = "<x>" + inlinePictureXml(rel, id, pictures[i].name, size) + "</x>";
                frag.load_string(xml.c_str(), kParseFlags);
                pic.append_copy(frag.first_child().first_child());
                // Runs left with nothing but an empty text would add nothing; drop them.
                auto onlyEmptyText = [](pugi::xml_node run) {
                    for (pugi::xml_node c : run.children())
                        if (std::strcmp(c.name(), "w:rPr") != 0 && !(std::strcmp(c.name(), "w:t") == 0 && !*c.text().get()))
                            return false;
                    return true;
                };
                if (onlyEmptyText(r)) r.parent().remove_child(r);
                if (onlyEmptyText(after)) after.parent().remove_child(after);
                break;
            }
            if (i > 0) setPageBreakBefore(copy);
            placed.push_back(copy);
        }
        if (pictures.empty()) {
            replaceTags(p, values);
            if (paragraphText(p).empty() && !p.find_child([](pugi::xml_node c) { return std::strcmp(c.name(), "w:r") == 0 && c.child("w:drawing"); }))
                p.parent().remove_child(p);
            else placed.push_back(p);
        } else {
            p.parent().remove_child(p);
        }
    }

    if (contents) {
        pugi::xml_node p = body.insert_child_before("w:p", sect);
        p.append_attribute(kContentsMark) = "1";
        placed.push_back(p);
    }

    // Page accounting and headings.
    bool first = true;
    if (newPage && page_ > 0) {
        if (!placed.empty() && placed.front().parent() == body) setPageBreakBefore(placed.front());
        else setPageBreakBefore(body.insert_child_before("w:p", placed.empty() ? sect : added.front()));
        ++page_;
    }
    if (page_ == 0) page_ = 1;
    for (pugi::xml_node p : placed) {
        if (!first && isOn(p.child("w:pPr").child("w:pageBreakBefore"))) ++page_;
        first = false;
        if (p.attribute(kContentsMark)) {
            contentsPlaced_ = true;
            continue;
        }
        int level = headingLevel(p);
        std::string text = paragraphText(p);
        if (level >= 1 && level <= 3 && !text.empty()) {
            Heading h;
            h.text = text;
            h.level = level;
            h.page = page_;
            h.afterContents = contentsPlaced_;
            h.bookmark = "_Toc" + std::to_string(100000 + nextBookmark_);
            std::string id = std::to_string(nextBookmark_++);
            pugi::xml_node ppr = p.child("w:pPr");
            pugi::xml_node start = ppr ? p.insert_child_after("w:bookmarkStart", ppr) : p.prepend_child("w:bookmarkStart");
            start.append_attribute("w:id") = id.c_str();
            start.append_attribute("w:name") = h.bookmark.c_str();
            p.append_child("w:bookmarkEnd").append_attribute("w:id") = id.c_str();
            headings_.push_back(h);
        }
        page_ += static_cast<int>(p.select_nodes(".//w:br[@w:type='page']").size());
    }
    return {};
}

void DocumentBody::buildContents(bool roman) {
    pugi::xml_node body = doc_->child("w:document").child("w:body");
    pugi::xml_node mark = body.find_node([](pugi::xml_node n) { return static_cast<bool>(n.attribute(kContentsMark)); });
    if (!mark) {
        // A contents form without "$TOC": the contents follow the form's text.
        mark = body.insert_child_before("w:p", body.last_child());
        mark.append_attribute(kContentsMark) = "1";
    }
    // Pages the contents take beyond their first shift every heading behind them.
    int extra = headings_.empty() ? 0 : (static_cast<int>(headings_.size()) - 1) / kContentsEntriesPerPage;
    for (Heading& h : headings_)
        if (h.afterContents) h.page += extra;
    page_ += extra;
    long tabPos = static_cast<long>(textCx_ / kEmuPerTwip);
    std::string xml = "<x>" + contentsXml(headings_, roman, tabPos) + "</x>";
    pugi::xml_document frag;
    frag.load_string(xml.c_str(), kParseFlags);
    bool firstPara = true;
    for (pugi::xml_node p : frag.first_child().children()) {
        pugi::xml_node copy = mark.parent().insert_copy_before(p, mark);
        // The first entry keeps the page break and the properties of the marked paragraph.
        if (firstPara && isOn(mark.child("w:pPr").child("w:pageBreakBefore"))) setPageBreakBefore(copy);
        firstPara = false;
    }
    mark.parent().remove_child(mark);

    // Ask the reader to refresh the fields (contents and page references) on open.
    const std::string* settings = pkg_.part("word/settings.xml");
    pugi::xml_document sd;
    if (settings && sd.load_buffer(settings->data(), settings->size(), kParseFlags) && sd.child("w:settings")) {
        pugi::xml_node st = sd.child("w:settings");
        if (!st.child("w:updateFields")) st.prepend_child("w:updateFields").append_attribute("w:val") = "true";
        pkg_.setPart("word/settings.xml", toXml(sd));
    }
}

void DocumentBody::setRomanPageNumbers() {
    pugi::xml_node sect = doc_->child("w:document").child("w:body").last_child();
    pugi::xml_node num = sect.child("w:pgNumType");
    if (!num) {
        // pgNumType follows the page size, margins, paper source and borders.
        pugi::xml_node after;
        for (const char* n : {"w:pgBorders", "w:paperSrc", "w:pgMar", "w:pgSz"})
            if (!after) after = sect.child(n);
        num = after ? sect.insert_child_after("w:pgNumType", after) : sect.prepend_child("w:pgNumType");
    }
    if (!num.attribute("w:fmt")) num.append_attribute("w:fmt");
    num.attribute("w:fmt") = "lowerRoman";
}

std::string DocumentBody::save(const std::string& path) {
    pugi::xml_node body = doc_->child("w:document").child("w:body");
    while (pugi::xml_node mark = body.find_node([](pugi::xml_node n) { return static_cast<bool>(n.attribute(kContentsMark)); }))
        mark.parent().remove_child(mark);
    pkg_.setPart(kDocumentPart, toXml(*doc_));
    pkg_.setPart(kRelsPart, toXml(*rels_));

    // The main part is a document (the template may be a template), pictures are typed.
    pugi::xml_document types;
    const std::string* t = pkg_.part(kTypesPart);
    if (!t || !types.load_buffer(t->data(), t->size(), kParseFlags) || !types.child("Types"))
        return "テンプレートファイルが壊れています。";
    pugi::xml_node root = types.child("Types");
    pugi::xml_node main = root.find_child_by_attribute("Override", "PartName", "/word/document.xml");
    if (!main) {
        main = root.append_child("Override");
        main.append_attribute("PartName") = "/word/document.xml";
        main.append_attribute("ContentType");
    }
    main.attribute("ContentType") = kMainType;
    defaultTypes_.insert(".wmf");
    for (const std::string& ext : defaultTypes_) {
        std::string e = ext.size() > 1 ? ext.substr(1) : ext;
        bool found = false;
        for (pugi::xml_node d : root.children("Default"))
            if (strcasecmp(d.attribute("Extension").value(), e.c_str()) == 0) found = true;
        if (found) continue;
        std::string type = e == "wmf" ? "image/x-wmf" : e == "png" ? "image/png" : e == "gif" ? "image/gif"
                         : (e == "jpg" || e == "jpeg") ? "image/jpeg" : e == "emf" ? "image/x-emf" : "application/octet-stream";
        pugi::xml_node d = root.prepend_child("Default");
        d.append_attribute("Extension") = e.c_str();
        d.append_attribute("ContentType") = type.c_str();
    }
    pkg_.setPart(kTypesPart, toXml(types));
    if (pkg_.save(path) != PackageError::None) return "ドキュメントを書き込めません。[" + path + "]";
    return {};
}

}  // namespace docbuild
