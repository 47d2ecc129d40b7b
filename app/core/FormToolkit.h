#pragma once

#include <QString>
#include <QStringList>

class QObject;

/// Font settings of a language file's "Font" section, already checked: a field that must not
/// change anything holds its "keep" value.
struct FormFont {
    int sizePt = 0;    // > 0: new point size; otherwise keep
    QString name;      // non-empty: family to use when it is installed (case ignored)
    int charset = 1;   // character-set byte; informational on this platform
    int bidiMode = -1; // 0 left-to-right, 1..3 right-to-left variants; -1 keep
};

/// What the language layer needs from the widget toolkit but cannot reach through Qt
/// properties from QtCore. The window code installs an implementation
/// (app/ui/ShellServicesQt); without one, fonts are left alone and list rows can only be set
/// through QStringList properties.
///
/// Called on the UI thread while a form is created.
class FormToolkit {
public:
    virtual ~FormToolkit();

    /// Sets the form's font and the application's and form's layout direction.
    virtual void ApplyFormFont(QObject* form, const FormFont& font) = 0;
    /// Replaces the rows of a combo box or list, or the lines of a text editor. False when
    /// @p target is none of these.
    virtual bool SetListItems(QObject* target, const QStringList& items) = 0;
    /// Sets the tab text of a page of a tab widget. False when @p target is no such page.
    virtual bool SetPageCaption(QObject* target, const QString& caption) = 0;
};

/// The installed toolkit, or nullptr.
FormToolkit* CurrentFormToolkit();
/// Installs @p toolkit for the process (not owned); nullptr removes it.
void InstallFormToolkit(FormToolkit* toolkit);
