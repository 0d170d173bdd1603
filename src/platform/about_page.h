// The page about the program that the main window opens in the browser now and then when it is
// closed. It is shipped inside the program, so it opens without a network.
#pragma once

#include <QByteArray>
#include <QUrl>

namespace icogen::platform {

// The page's HTML as shipped with the program.
QByteArray aboutPageHtml();

// A local file URL of the page, written out to the user's cache folder (or, failing that, to a
// private folder under the temporary folder) when it is missing or out of date. Empty when it
// could not be written anywhere.
QUrl aboutPageUrl();

}  // namespace icogen::platform
