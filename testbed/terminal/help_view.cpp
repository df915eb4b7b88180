// The help viewer: one topic at a time, its header fixed, the text
// scrolling, the links chosen with Tab and followed with Enter.
#include <algorithm>

#include "oem_text.h"
#include "views.h"

namespace vbterm {

namespace {

struct LinkPlace {
    int line;  // in the topic's body
    int span;
};

class HelpViewer {
public:
    HelpViewer(Terminal& terminal, const HelpFile& file) : terminal_(terminal), file_(file) {}
    void Run(int frame, const std::string& topic);

private:
    bool Open(const std::string& name);
    void Draw();
    void DrawLine(int y, const Rect& inner, const HelpLine& line, int bodyLine);
    void ShowLink();
    int BodyRows() const;

    Terminal& terminal_;
    const HelpFile& file_;
    const HelpTopic* topic_ = nullptr;
    std::vector<const HelpLine*> header_, body_;
    std::vector<LinkPlace> links_;
    int link_ = -1;
    int top_ = 0;
    std::vector<std::string> history_;
};

bool HelpViewer::Open(const std::string& name) {
    const HelpTopic* topic = file_.Find(name);
    if (!topic) return false;
    topic_ = topic;
    header_.clear();
    body_.clear();
    links_.clear();
    for (const HelpLine& line : topic->lines) (line.header ? header_ : body_).push_back(&line);
    for (size_t i = 0; i < body_.size(); ++i)
        for (size_t j = 0; j < body_[i]->spans.size(); ++j)
            if (body_[i]->spans[j].kind == HelpSpan::Link) links_.push_back({static_cast<int>(i), static_cast<int>(j)});
    link_ = links_.empty() ? -1 : 0;
    top_ = 0;
    return true;
}

int HelpViewer::BodyRows() const {
    int rows = terminal_.Height() - 4 - static_cast<int>(header_.size()) - (header_.empty() ? 0 : 1);
    return std::max(1, rows);
}

void HelpViewer::ShowLink() {
    if (link_ < 0) return;
    int line = links_[static_cast<size_t>(link_)].line;
    if (line < top_) top_ = line;
    if (line >= top_ + BodyRows()) top_ = line - BodyRows() + 1;
}

void HelpViewer::DrawLine(int y, const Rect& inner, const HelpLine& line, int bodyLine) {
    int length = static_cast<int>(line.Text().size());
    int x = line.centred ? inner.left + std::max(0, (inner.width - length) / 2) : inner.left;
    for (size_t i = 0; i < line.spans.size(); ++i) {
        const HelpSpan& span = line.spans[i];
        Colour colour = Colour::Help;
        if (span.kind == HelpSpan::Highlight) colour = Colour::HelpHighlight;
        if (span.kind == HelpSpan::Link) {
            bool chosen = link_ >= 0 && links_[static_cast<size_t>(link_)].line == bodyLine &&
                          links_[static_cast<size_t>(link_)].span == static_cast<int>(i);
            colour = chosen ? Colour::HelpLinkSelected : Colour::HelpLink;
        }
        int room = inner.Right() - x + 1;
        if (room <= 0) break;
        terminal_.PutOem(y, x, span.text, colour, room);
        x += static_cast<int>(span.text.size());
    }
}

void HelpViewer::Draw() {
    Rect frame{1, 1, std::max(20, terminal_.Width() - 2), std::max(5, terminal_.Height() - 2)};
    Rect inner{frame.left + 2, frame.top + 1, frame.width - 4, frame.height - 2};
    terminal_.Fill(frame, Colour::Help);
    terminal_.Frame(frame, Line::Double, Colour::Help);
    std::string title = " Help: " + ShownText(file_.Title().empty() ? topic_->name : file_.Title()) + " ";
    terminal_.Put(frame.top, frame.left + (frame.width - Utf8Cells(title)) / 2, title, Colour::Help);
    int y = inner.top;
    for (const HelpLine* line : header_) DrawLine(y++, inner, *line, -1);
    if (!header_.empty()) terminal_.Rule(y++, frame.left, frame.Right(), Line::Double, Colour::Help);
    int rows = BodyRows();
    for (int i = 0; i < rows && top_ + i < static_cast<int>(body_.size()); ++i)
        DrawLine(y + i, inner, *body_[static_cast<size_t>(top_ + i)], top_ + i);
    terminal_.HideCursor();
    terminal_.Refresh();
}

void HelpViewer::Run(int frame, const std::string& topic) {
    if (!Open(topic) && !Open("Contents")) return;
    for (;;) {
        {
            auto hold = terminal_.Lock();
            Draw();
        }
        Key key;
        if (!terminal_.NextKey(frame, key, 500)) continue;
        int last = std::max(0, static_cast<int>(body_.size()) - BodyRows());
        if (key.Is(vk::Escape) || key.Is(vk::F(10))) return;
        if (key.Is(vk::Up)) top_ = std::max(0, top_ - 1);
        else if (key.Is(vk::Down)) top_ = std::min(last, top_ + 1);
        else if (key.Is(vk::PageUp)) top_ = std::max(0, top_ - BodyRows());
        else if (key.Is(vk::PageDown)) top_ = std::min(last, top_ + BodyRows());
        else if (key.Is(vk::Home)) top_ = 0;
        else if (key.Is(vk::End)) top_ = last;
        else if ((key.Is(vk::Tab) || key.Is(vk::Right)) && !links_.empty()) {
            link_ = (link_ + 1) % static_cast<int>(links_.size());
            ShowLink();
        } else if ((key.Is(vk::Tab, Shift) || key.Is(vk::Left)) && !links_.empty()) {
            link_ = (link_ + static_cast<int>(links_.size()) - 1) % static_cast<int>(links_.size());
            ShowLink();
        } else if (key.Is(vk::Return) && link_ >= 0) {
            const LinkPlace& place = links_[static_cast<size_t>(link_)];
            std::string from = topic_->name;
            if (Open(body_[static_cast<size_t>(place.line)]->spans[static_cast<size_t>(place.span)].target))
                history_.push_back(from);
        } else if ((key.Is(vk::Back) || key.Is(vk::F1, Alt)) && !history_.empty()) {
            Open(history_.back());
            history_.pop_back();
        } else if (key.Is(vk::F1)) {
            std::string from = topic_->name;
            if (Open("Contents")) history_.push_back(from);
        }
    }
}

}  // namespace

void RunHelpViewer(Terminal& terminal, const HelpFile& file, const std::string& topic) {
    ModalScope scope(terminal);
    HelpViewer viewer(terminal, file);
    viewer.Run(scope.Frame(), topic.empty() ? std::string("Contents") : topic);
}

}  // namespace vbterm
