// What a screen reader finds in the framework's windows. The toolkit's own
// controls (buttons, check boxes, track bars, combo boxes, list views, edit
// fields) keep the toolkit's interfaces and get their names and descriptions
// from here; the widgets we paint ourselves (text labels, the level meter,
// group boxes, pictures, pages) get an interface of ours: their role, their
// name, who labels whom, and for the meter its value and range.
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/ColorText.h"
#include "ui/GroupBox.h"
#include "ui/LevelMeter.h"
#include "ui/Picture.h"
#include "ui/Private.h"
#include "ui/PropertyPage.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QComboBox>

#include <algorithm>

namespace uiimpl {

namespace {

constexpr const char* kBlanks = " \t\r\n";

std::string TrimBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// A text as a screen reader reads it: one line, the lines of a text broken
// to fit joined by a blank, no blanks around it.
std::string OneLine(const std::string& text) {
    std::string line;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t feed = text.find('\n', pos);
        std::string part =
            text.substr(pos, feed == std::string::npos ? std::string::npos : feed - pos);
        if (!line.empty() && !TrimBlanks(part).empty()) {
            line.erase(line.find_last_not_of(kBlanks) + 1);
            line += ' ';
            part.erase(0, part.find_first_not_of(kBlanks));
        }
        line += part;
        if (feed == std::string::npos)
            break;
        pos = feed + 1;
    }
    return TrimBlanks(line);
}

// A name: one line, without the colon that ends a label ("Recording
// level:").
std::string NameFrom(const std::string& text) {
    std::string name = OneLine(text);
    if (!name.empty() && name.back() == ':')
        name = TrimBlanks(name.substr(0, name.size() - 1));
    return name;
}

const std::string& TextOf(const CWnd& wnd) {
    return CWndPrivate::Of(wnd).text;
}

// The label that names a control: the first one shown, else the first.
const CWnd* NamingLabel(const CWnd& wnd) {
    const std::vector<CWnd*>& labels = CWndPrivate::Of(wnd).labels;
    for (const CWnd* label : labels)
        if (label->GetWidget() != nullptr && !label->GetWidget()->isHidden())
            return label;
    return labels.empty() ? nullptr : labels.front();
}

void Erase(std::vector<CWnd*>& list, const CWnd* wnd) {
    list.erase(std::remove(list.begin(), list.end(), wnd), list.end());
}

// The interface of a widget we paint ourselves. The window behind it is
// looked up at each call, so an interface made before the widget joined its
// window answers rightly once it has.
class PaintedWidgetAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit PaintedWidgetAccessible(QWidget* widget) : QAccessibleWidget(widget) {}

    QAccessible::Role role() const override {
        const CWnd* wnd = WndOf(widget());
        if (const auto* text = dynamic_cast<const CColorText*>(wnd))
            return text->IsLiveRegion() ? QAccessible::StatusBar : QAccessible::StaticText;
        if (dynamic_cast<const CLevelMeter*>(wnd) != nullptr)
            return QAccessible::ProgressBar;
        if (dynamic_cast<const CGroupBox*>(wnd) != nullptr)
            return QAccessible::Grouping;
        if (dynamic_cast<const CPicture*>(wnd) != nullptr)
            return QAccessible::Graphic;
        if (dynamic_cast<const CPropertyPage*>(wnd) != nullptr)
            return QAccessible::PropertyPage;
        return QAccessibleWidget::role();
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        const QAccessible::Role r = role();
        if (r == QAccessible::StaticText || r == QAccessible::StatusBar ||
            r == QAccessible::ProgressBar || r == QAccessible::Graphic)
            state.readOnly = true;
        return state;
    }

    QList<QPair<QAccessibleInterface*, QAccessible::Relation>>
    relations(QAccessible::Relation match) const override {
        auto relations = QAccessibleWidget::relations(match);
        const CWnd* wnd = WndOf(widget());
        if (wnd == nullptr)
            return relations;
        const auto add = [&](const std::vector<CWnd*>& windows, QAccessible::Relation relation) {
            if ((match & relation) == 0)
                return;
            for (const CWnd* other : windows)
                if (other->GetWidget() != nullptr)
                    if (QAccessibleInterface* iface =
                            QAccessible::queryAccessibleInterface(other->GetWidget()))
                        relations.append({iface, relation});
        };
        add(CWndPrivate::Of(*wnd).labelled, QAccessible::Labelled);
        add(CWndPrivate::Of(*wnd).labels, QAccessible::Label);
        return relations;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface && Meter() != nullptr)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // ---- the meter's value: the level the bar shows, within its range ------
    QVariant currentValue() const override {
        const CLevelMeter* meter = Meter();
        return meter == nullptr ? QVariant() : QVariant(meter->ShownPos());
    }
    // The meter shows a level; nobody sets one through it.
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override {
        const CLevelMeter* meter = Meter();
        return meter == nullptr ? QVariant() : QVariant(meter->GetRangeMax());
    }
    QVariant minimumValue() const override {
        const CLevelMeter* meter = Meter();
        return meter == nullptr ? QVariant() : QVariant(meter->GetRangeMin());
    }
    QVariant minimumStepSize() const override { return 0; }

private:
    const CLevelMeter* Meter() const { return dynamic_cast<const CLevelMeter*>(WndOf(widget())); }
};

// Our painted widgets carry no class of their own in the toolkit's type
// system: they are asked for as plain "QWidget"s.
QAccessibleInterface* PaintedWidgetFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("QWidget") || object == nullptr || !object->isWidgetType() ||
        object->metaObject() != &QWidget::staticMetaObject)
        return nullptr;
    return new PaintedWidgetAccessible(static_cast<QWidget*>(object));
}

} // namespace

std::string AccessibleNameOf(const CWnd& wnd) {
    const CWndPrivate& d = CWndPrivate::Of(wnd);
    if (!d.accName.empty())
        return NameFrom(d.accName);
    // A text reads as it stands, colon and all.
    if (dynamic_cast<const CColorText*>(&wnd) != nullptr)
        return OneLine(d.text);
    const auto* button = dynamic_cast<const CButton*>(&wnd);
    if (button != nullptr || dynamic_cast<const CCheckBox*>(&wnd) != nullptr ||
        dynamic_cast<const CGroupBox*>(&wnd) != nullptr) {
        // A frame's caption may be blanks that leave room for a text laid
        // over it: then that text names it.
        if (std::string caption = NameFrom(d.text); !caption.empty())
            return caption;
    }
    if (const CWnd* label = NamingLabel(wnd))
        if (std::string name = NameFrom(TextOf(*label)); !name.empty())
            return name;
    if (button != nullptr)
        return NameFrom(button->GetTooltipText());
    return {};
}

std::string AccessibleDescriptionOf(const CWnd& wnd) {
    const CWndPrivate& d = CWndPrivate::Of(wnd);
    if (!d.accDescription.empty())
        return OneLine(d.accDescription);
    if (const auto* button = dynamic_cast<const CButton*>(&wnd)) {
        // The tool-tip, unless it had to serve as the name.
        std::string tip = OneLine(button->GetTooltipText());
        if (NameFrom(tip) != AccessibleNameOf(wnd))
            return tip;
    }
    return {};
}

void RefreshAccessible(CWnd& wnd) {
    CWndPrivate& d = CWndPrivate::Of(wnd);
    if (QWidget* widget = d.widget.data()) {
        const QString name = Q(AccessibleNameOf(wnd));
        QString description = Q(AccessibleDescriptionOf(wnd));
#if defined(Q_OS_UNIX)
        // Here the toolkit reports a combo box's text as its name, as the
        // desktop's screen readers expect: its name goes in the description.
        if (description.isEmpty() && qobject_cast<QComboBox*>(widget) != nullptr)
            description = name;
#endif
        if (widget->accessibleName() != name)
            widget->setAccessibleName(name);
        if (widget->accessibleDescription() != description)
            widget->setAccessibleDescription(description);
    }
    for (CWnd* control : d.labelled)
        RefreshAccessible(*control);
}

// The toolkit has no announcement of its own: a status line's name is its
// text, and a name that changes on a line in view is what a screen reader
// reports of a status line. The toolkit reports a change of text itself (the
// name follows it, RefreshAccessible); a line that appears reports its text
// here, after the toolkit told that it is shown, so its news is heard even
// when it was set while the line was hidden or is the same as before.
void AnnounceLiveText(CWnd& wnd) {
    const CWndPrivate& d = CWndPrivate::Of(wnd);
    QWidget* widget = d.widget.data();
    if (!d.liveRegion || widget == nullptr || !widget->isVisible())
        return;
    QAccessibleEvent event(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void UntieLabels(CWnd& wnd) {
    CWndPrivate& d = CWndPrivate::Of(wnd);
    for (CWnd* label : d.labels)
        Erase(CWndPrivate::Of(*label).labelled, &wnd);
    const std::vector<CWnd*> labelled = std::move(d.labelled);
    d.labels.clear();
    d.labelled.clear();
    for (CWnd* control : labelled) {
        Erase(CWndPrivate::Of(*control).labels, &wnd);
        RefreshAccessible(*control);
    }
}

void TieLabel(CWnd& label, CWnd& control) {
    std::vector<CWnd*>& labelled = CWndPrivate::Of(label).labelled;
    if (&control == &label ||
        std::find(labelled.begin(), labelled.end(), &control) != labelled.end())
        return;
    labelled.push_back(&control);
    CWndPrivate::Of(control).labels.push_back(&label);
    RefreshAccessible(control);
}

void InstallAccessibility() {
    QAccessible::installFactory(PaintedWidgetFactory);
}

} // namespace uiimpl
