// homeward: started by the chat client just before a game from its launchpad, brings
// the player back to the chat when the game ends. See homeward.h.

#include "tools/homeward/homeward.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const homeward::Outcome outcome = homeward::Run(QCoreApplication::applicationPid(), homeward::SystemWorld());
    std::fprintf(stderr, "homeward: %s\n", qPrintable(homeward::Describe(outcome)));
    // Giving up is a normal end; only a chat client that could not be started is a failure.
    return outcome == homeward::Outcome::ChatStartFailed ? 1 : 0;
}
