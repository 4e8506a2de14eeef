// The e-mail page: the phishing e-mail sources, their row commands and the selected one's details.
import QtQuick

EntryList {
    id: mailPage
    title: movie.say("mailTitle")
    empty: movie.say("emptyMail")
    rowsName: "mailRows"
    allowCommand: "IDC_FS_mailListItemAllow"
    blockCommand: "IDC_FS_mailListItemBlock"
    askCommand: "IDC_FS_mailListItemAsk"
    removeCommand: "IDC_FS_mailListItemRemove"
    removeAllCommand: "IDC_FS_mailListItemRemoveAll"
    detailsCommand: "IDC_FS_UpdateEntryDetailsMailListItem"
    optionsCommand: "IDC_FS_AdvancedMailSettings"
    confirmKey: "confirmMail"
    details: [
        { name: movie.say("program"), value: movie.mailDetailProgram },
        { name: movie.say("from"), value: movie.mailDetailFrom },
        { name: movie.say("to"), value: movie.mailDetailTo },
        { name: movie.say("subject"), value: movie.mailDetailSubject },
        { name: movie.say("time"), value: movie.mailDetailTime },
        { name: movie.say("attachment"), value: movie.mailDetailAttachment },
        { name: movie.say("protocol"), value: movie.mailDetailProtocol }
    ]
    Connections {
        target: mailPage.movie
        function onMailRowsRemoved(index) { mailPage.rowsRemoved(index) }
    }
}
