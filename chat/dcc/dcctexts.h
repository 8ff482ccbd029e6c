#pragma once

// The user-visible texts of direct connections, kept verbatim in one place.

namespace ferry::dcc::texts {

// Chat window
inline constexpr char kChatTitle[] = "DCC Chat %1";
inline constexpr char kNoPeerNick[] = "BADNEWS!";
inline constexpr char kAttempting[] = "Attempting to establish DCC Connection...";
inline constexpr char kEstablished[] = "Connection established...";
inline constexpr char kChatClosed[] = "Chat Connection closed.";
inline constexpr char kChatConnectFailed[] = "Unable to establish DCC Connection: %1";
inline constexpr char kListenFailed[] = "Unable to listen for a DCC Connection: %1";
inline constexpr char kChatBadOffer[] = "DCC Chat offer refused: address %1 port %2 cannot be connected to.";
inline constexpr char kChatOfferRefused[] = "** DCC Chat offer from %1 refused: %2 (address %3, port %4).";

// Transfer window
inline constexpr char kSendTitle[] = "DCC Send: %1";
inline constexpr char kReceiveTitle[] = "DCC Receive: %1";
inline constexpr char kNothingSent[] = "0 bytes sent";
inline constexpr char kNothingReceived[] = "0 bytes received";
inline constexpr char kResumeWaiting[] = "Asking to continue from byte %1...";
inline constexpr char kBytesSent[] = "%1 Bytes sent...";
inline constexpr char kBytesReceived[] = "%1 Bytes received...";

// Server window lines of a transfer
inline constexpr char kTransferCompleted[] = "** Transfer of file %1 completed succesfully";
inline constexpr char kTransferFailed[] = "** Transfer of file %1 terminated unsuccesfully";
inline constexpr char kEmptyTransferClosed[] = "** DCC File transfer of file %1 closed.";
inline constexpr char kUnableToOpen[] = "Unable to open file!";
inline constexpr char kUnableToOpenLine[] = "** %1: %2";
inline constexpr char kEmptyFileRefused[] = "** File %1 is empty: there is nothing to send";
inline constexpr char kRepeatedOffer[] = "** Another DCC offer from %1 was refused: the last one still waits for an answer.";
inline constexpr char kTooManyOffers[] = "** A DCC offer from %1 was refused: too many questions wait for an answer.";
inline constexpr char kFileOfferRefused[] = "** DCC offer of file %1 from %2 refused: %3 (address %4, port %5).";
inline constexpr char kRequestRefused[] = "** A request for file %1 from %2 was refused: %3 offers wait for a connection already.";
inline constexpr char kRequestUnanswered[] = "** The offer of file %1 to %2 was withdrawn: nobody connected within %3 seconds.";
inline constexpr char kTransferBadOffer[] = "** DCC offer of file %1 refused: address %2 port %3 cannot be connected to.";
inline constexpr char kResumeAsked[] = "** Asking %1 to continue file %2 from byte %3";
inline constexpr char kResumeGranted[] = "** %1 continues file %2 from byte %3";
inline constexpr char kResumeAccepted[] = "** %1 agreed: file %2 continues from byte %3";
inline constexpr char kResumeUnanswered[] = "** %1 did not agree to continue file %2 within %3 seconds: receiving it from the start";
inline constexpr char kResumeTooLate[] = "** %1 agreed to continue file %2 too late: the transfer was given up, ask for the file again";

// Prompts
inline constexpr char kChatPromptCaption[] = "DCC Chat";
inline constexpr char kChatPrompt[] = "%1 is requesting a DCC chat. Do you want to accept?";
inline constexpr char kFilePromptCaption[] = "DCC File";
inline constexpr char kFilePrompt[] = "%1 is sending you a file called %2. Do you want to receive it?";
inline constexpr char kSaveAsCaption[] = "Save As";
inline constexpr char kOfferComesFrom[] = "(The offer comes from %1, port %2.)";

} // namespace ferry::dcc::texts
