#pragma once

#include <QLatin1StringView>
#include <QString>

// Makes the character-set declarations in an HTML text's head (<meta charset=...> and the
// charset parameter of <meta http-equiv="Content-Type" content="...">) name charset, so a part
// sent in charset still reads right when it is saved or opened as a page. Only the name itself
// changes, and only where it names another charset (letter case aside); comments and
// everything from <body on are left alone. Stateless; safe on any thread.
QString DeclareHtmlCharset(const QString& html, QLatin1StringView charset);
