// The websites page: the phishing websites and hosts, their row commands and the selected one's
// details.
import QtQuick

EntryList {
    id: sitePage
    title: movie.say("siteTitle")
    empty: movie.say("emptySites")
    rowsName: "siteRows"
    allowCommand: "IDC_FS_siteListItemAllow"
    blockCommand: "IDC_FS_siteListItemBlock"
    askCommand: "IDC_FS_siteListItemAsk"
    removeCommand: "IDC_FS_siteListItemRemove"
    removeAllCommand: "IDC_FS_siteListItemRemoveAll"
    detailsCommand: "IDC_FS_UpdateEntryDetailsWebListItem"
    optionsCommand: "IDC_FS_AdvancedSiteBlockingSettings"
    confirmKey: "confirmSites"
    details: [
        { name: movie.say("program"), value: movie.siteDetailProgram },
        { name: movie.say("time"), value: movie.siteDetailTime },
        { name: movie.say("address"), value: movie.siteDetailAddress },
        { name: movie.say("protocol"), value: movie.siteDetailProtocol }
    ]
    Connections {
        target: sitePage.movie
        function onSiteRowsRemoved(index) { sitePage.rowsRemoved(index) }
    }
}
