#pragma once

// The commands the chat core interprets but other parts of the client carry out: the
// game-service requests, direct connections, file offers and the finger window. Each
// part fills its hook when it is wired to the application; a command whose hook is
// still empty prints that it is not available instead of pretending to work.

#include <QString>

#include <functional>

struct CCommandHooks {
    // users, swhois, sban, sunban, sblist, skill with their argument text; true when
    // the word was one of them and the request went out (CGameLink::RunServiceCommand).
    std::function<bool(const QString &word, const QString &arguments)> serviceCommand;
    // "/dcc chat nick": offer a direct chat to nick, open its window and listen.
    std::function<void(const QString &nick)> dccChat;
    // "/dcc send nick path": offer the file at path to nick (the path may hold blanks).
    std::function<void(const QString &nick, const QString &path)> dccSend;
    // offer, deoffer, showoffers and any further offer words, with their arguments and
    // the window they were typed in; true when the word was an offer command.
    std::function<bool(const QString &word, const QString &arguments, const QString &target)> offerCommand;
    // "/finger address": open a finger window named after the address.
    std::function<void(const QString &address)> finger;
    // "/help": the manual, the network's or the one shipped when that cannot be reached.
    std::function<void()> help;
};

// The online manual (/help and the help menu) and the network's home page.
inline constexpr const char *kManualUrl = "http://www.hollowell.net/lanway98/manual.html";
inline constexpr const char *kHomePageUrl = "http://www.hollowell.net/";
