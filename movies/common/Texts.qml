// The movies' own texts in every language they know; other languages show the English ones.
// Language names compare ignoring case ("German", "GERMAN" and "Deutsch" are one language).
pragma Singleton
import QtQuick

QtObject {
    function table(language) {
        var name = String(language).toLowerCase()
        if (name === "german" || name === "deutsch")
            return german
        return english
    }

    // The text for key in language, with %1 replaced by arg when given.
    function text(language, key, arg) {
        var found = table(language)[key]
        if (found === undefined)
            found = english[key]
        if (found === undefined)
            found = key
        return arg === undefined ? found : found.replace("%1", arg)
    }

    // A text the program itself sends (the kind of detection, the remember text), shown in the
    // movie's language when the movie knows it; otherwise as sent.
    function programText(language, text) {
        var words = table(language).programWords
        if (words === undefined)
            return text
        if (words.exact[text] !== undefined)
            return words.exact[text]
        for (var i = 0; i < words.patterns.length; ++i) {
            var match = words.patterns[i].pattern.exec(text)
            if (match) {
                var word = words.types[match[1]] !== undefined ? words.types[match[1]] : match[1]
                return words.patterns[i].text.replace("%1", word)
            }
        }
        return text
    }

    readonly property var english: ({
        ok: "OK", cancel: "Cancel", yes: "Yes", no: "No", close: "Close", save: "Save",

        alertMailTitle: "Phishing e-mail detected",
        alertWebTitle: "Phishing website detected",
        alertSubtitle: "Held back until you decide",
        allow: "Allow", block: "Block",
        moreInfo: "More info", whyInfo: "Why am I seeing this?",
        remember: "Remember my answer for %1",
        rememberWeb: "this website",
        program: "Program", time: "Time", from: "From", to: "To", subject: "Subject",
        protocol: "Protocol", attachment: "Attachment", site: "Site", ipAddress: "IP address",
        details: "Details", explanation: "Explanation",
        advice: "Block it unless you are sure it is safe.",

        alertsTitle: "Alert display",
        alertsIntro: "Show an alert popup for:",
        alertsAll: "E-mail and websites", alertsAllDetail: "Ask me about every detection",
        alertsMail: "E-mail only", alertsMailDetail: "Block web detections silently",
        alertsWeb: "Websites only", alertsWebDetail: "Block e-mail detections silently",
        alertsNone: "Nothing (block silently)", alertsNoneDetail: "Block every detection silently",

        mailTitle: "E-mail protection",
        mailIntro: "When phishing e-mail is found:",
        siteTitle: "Website blocking",
        siteIntro: "When a phishing website is found:",
        optAllow: "Allow all", optAllowDetail: "Never block, never ask",
        optBlock: "Block all", optBlockDetail: "Block without asking",
        optAsk: "Ask me (recommended)",
        optAskDetail: "Remembered answers apply",

        logTitle: "Log settings",
        logFile: "Log file", browse: "Browse\u2026", noFile: "No log file chosen",
        archive: "Archive the log file periodically",
        archiveEvery: "Archive every", days: "days",

        loginTitle: "Administrator login",
        loginIntro: "Enter the administrator password to change settings.",
        setTitle: "Set password",
        setIntro: "Protect the settings with a password of 6 to 31 characters, without spaces.",
        changeTitle: "Change password",
        changeIntro: "Enter the current password, then the new one twice.",
        password: "Password", newPassword: "New password",
        confirmPassword: "Confirm new password", oldPassword: "Current password",
        login: "Log in",

        aboutTitle: "About Hookwise",
        tagline: "Phishing protection for e-mail and the web",
        version: "Version %1",
        programVersion: "Program %1",
        engineVersion: "Security engine %1",
        copyright: "\u00A9 Corvane",

        splashLoading: "Starting protection\u2026"
    })

    readonly property var german: ({
        programWords: {
            exact: {
                "Phishing e-mail Source Address :": "Phishing-E-Mail \u2013 Absenderadresse",
                "Phishing Website": "Phishing-Website",
                "an email from this Phishing Source Address": "E-Mails von dieser Phishing-Absenderadresse"
            },
            patterns: [
                { pattern: /^Phishing e-mail (.*) :$/, text: "Phishing-E-Mail \u2013 %1" },
                { pattern: /^this Phishing e-mail (.*)$/, text: "diese Phishing-E-Mail (%1)" }
            ],
            types: { "From": "Absender", "Link": "Link", "Subject": "Betreff", "Message": "Nachricht" }
        },

        ok: "OK", cancel: "Abbrechen", yes: "Ja", no: "Nein", close: "Schlie\u00DFen",
        save: "Speichern",

        alertMailTitle: "Phishing-E-Mail erkannt",
        alertWebTitle: "Phishing-Website erkannt",
        alertSubtitle: "Zur\u00FCckgehalten, bis Sie entscheiden",
        allow: "Zulassen", block: "Blockieren",
        moreInfo: "Mehr Infos", whyInfo: "Warum sehe ich das?",
        remember: "Antwort merken f\u00FCr %1",
        rememberWeb: "diese Website",
        program: "Programm", time: "Zeit", from: "Von", to: "An", subject: "Betreff",
        protocol: "Protokoll", attachment: "Anhang", site: "Website", ipAddress: "IP-Adresse",
        details: "Details", explanation: "Erkl\u00E4rung",
        advice: "Blockieren Sie, wenn Sie nicht sicher sind.",

        alertsTitle: "Warnungsanzeige",
        alertsIntro: "Warnfenster anzeigen f\u00FCr:",
        alertsAll: "E-Mail und Websites", alertsAllDetail: "Bei jeder Erkennung fragen",
        alertsMail: "Nur E-Mail", alertsMailDetail: "Web-Erkennungen still blockieren",
        alertsWeb: "Nur Websites", alertsWebDetail: "E-Mail-Erkennungen still blockieren",
        alertsNone: "Nichts (still blockieren)", alertsNoneDetail: "Jede Erkennung still blockieren",

        mailTitle: "E-Mail-Schutz",
        mailIntro: "Bei einer Phishing-E-Mail:",
        siteTitle: "Website-Sperre",
        siteIntro: "Bei einer Phishing-Website:",
        optAllow: "Alle zulassen", optAllowDetail: "Nie blockieren, nie fragen",
        optBlock: "Alle blockieren", optBlockDetail: "Ohne Nachfrage blockieren",
        optAsk: "Nachfragen (empfohlen)",
        optAskDetail: "Gemerkte Antworten gelten",

        logTitle: "Protokolleinstellungen",
        logFile: "Protokolldatei", browse: "Durchsuchen\u2026",
        noFile: "Keine Protokolldatei gew\u00E4hlt",
        archive: "Protokolldatei regelm\u00E4\u00DFig archivieren",
        archiveEvery: "Archivieren alle", days: "Tage",

        loginTitle: "Administrator-Anmeldung",
        loginIntro: "Geben Sie das Administratorkennwort ein, um Einstellungen zu \u00E4ndern.",
        setTitle: "Kennwort festlegen",
        setIntro: "Sch\u00FCtzen Sie die Einstellungen mit 6 bis 31 Zeichen, ohne Leerzeichen.",
        changeTitle: "Kennwort \u00E4ndern",
        changeIntro: "Geben Sie das aktuelle Kennwort und zweimal das neue ein.",
        password: "Kennwort", newPassword: "Neues Kennwort",
        confirmPassword: "Neues Kennwort best\u00E4tigen", oldPassword: "Aktuelles Kennwort",
        login: "Anmelden",

        aboutTitle: "\u00DCber Hookwise",
        tagline: "Phishing-Schutz f\u00FCr E-Mail und Web",
        version: "Version %1",
        programVersion: "Programm %1",
        engineVersion: "Sicherheitsmodul %1",
        copyright: "\u00A9 Corvane",

        splashLoading: "Schutz wird gestartet\u2026"
    })

    // The main window's own words.
    function mainText(language, key, arg) {
        var name = String(language).toLowerCase()
        var table = (name === "german" || name === "deutsch") ? mainGerman : mainEnglish
        var found = table[key] !== undefined ? table[key] : mainEnglish[key]
        if (found === undefined)
            found = key
        return arg === undefined ? found : found.replace("%1", arg)
    }

    readonly property var mainEnglish: ({
        subtitle: "Phishing protection", overview: "Overview", mailList: "E-mail",
        siteList: "Websites", alertLog: "Alert log", navLog: "Alert log", settings: "Settings",
        admin: "Administration",
        mailTitle: "Phishing e-mail sources", siteTitle: "Phishing websites",
        protectedTitle: "You are protected", protectedText: "E-mail and web protection are on.",
        partialTitle: "Protection is partly off", partialText: "Turn both switches on to stay safe.",
        offTitle: "Protection is off", offText: "Phishing e-mail and websites get through.",
        notProtectedTitle: "You are not protected",
        blocked: "Blocked", highRated: "High rated", mailAlerts: "E-mail alerts",
        webAlerts: "Web alerts", mailProtection: "E-mail protection",
        webProtection: "Website blocking", on: "On", off: "Off",
        program: "Program", engine: "Engine", definitions: "Definitions",
        checkUpdates: "Check for updates", latest: "Latest",
        items: "%1 items", entries: "%1 entries", showingLatest: "latest %1 of %2",
        emptyMail: "No phishing e-mail sources yet.",
        emptySites: "No phishing websites or hosts yet.",
        emptyLog: "Nothing detected yet.",
        count: "\u00D7%1",
        allow: "Allow", block: "Block", ask: "Ask", remove: "Remove", removeAll: "Remove all",
        options: "Options\u2026", selectHint: "Select an entry to see its details.",
        from: "From", to: "To", subject: "Subject", time: "Date", attachment: "Attachment",
        protocol: "Protocol", address: "IP address",
        show: "Show", all: "All", clearLog: "Clear log", logSettings: "Log file\u2026",
        confirmMail: "Remove all %1 e-mail sources? Remembered answers for them are lost.",
        confirmSites: "Remove all %1 websites? Remembered answers for them are lost.",
        confirmLog: "Clear all %1 alert log entries?",
        cancel: "Cancel",
        protection: "Protection", alerts: "Alerts",
        alertsAll: "Alert me about everything",
        alertsAllDetail: "Ask about every e-mail and website found",
        alertsOne: "Alert me about one kind only",
        alertsOneDetail: "E-mail or websites, as chosen under Customise",
        alertsNone: "Never alert me",
        alertsNoneDetail: "Block everything found without asking",
        customise: "Customise\u2026",
        log: "Log", logFile: "Log file and archiving", logFileDetail: "Where the log is kept and how often it is archived",
        change: "Change\u2026",
        startup: "Start-up", startWithSession: "Start Hookwise when I log in",
        showSplash: "Show the splash screen at start",
        language: "Language",
        administrator: "Administrator", loggedIn: "Logged in as administrator",
        loggedOut: "Not logged in", noPassword: "No password: anyone can change settings",
        passwordSet: "Settings are protected by a password",
        login: "Log in", logout: "Log out", setPassword: "Set password\u2026",
        changePassword: "Change password\u2026",
        backup: "Backup and restore",
        backupText: "Save all settings, lists and the log to a file, or bring them back.",
        backupButton: "Back up\u2026", restoreButton: "Restore\u2026",
        resetTitle: "Reset", resetText: "Remove every setting, list and log entry. Hookwise exits.",
        resetButton: "Reset\u2026",
        support: "Help and support", help: "Help", contact: "Contact support",
        locked: "Locked", unlocked: "Admin"
    })

    readonly property var mainGerman: ({
        subtitle: "Phishing-Schutz", overview: "\u00DCbersicht", mailList: "E-Mail",
        siteList: "Websites", alertLog: "Warnprotokoll", navLog: "Protokoll",
        settings: "Einstellungen",
        admin: "Verwaltung",
        mailTitle: "Phishing-E-Mail-Quellen", siteTitle: "Phishing-Websites",
        protectedTitle: "Sie sind gesch\u00FCtzt",
        protectedText: "E-Mail- und Web-Schutz sind eingeschaltet.",
        partialTitle: "Schutz teilweise aus",
        partialText: "Schalten Sie beide Schalter ein.",
        offTitle: "Schutz ist aus", offText: "Phishing-E-Mails und -Websites kommen durch.",
        notProtectedTitle: "Sie sind nicht geschützt",
        blocked: "Blockiert", highRated: "Hoch bewertet", mailAlerts: "E-Mail-Warnungen",
        webAlerts: "Web-Warnungen", mailProtection: "E-Mail-Schutz",
        webProtection: "Website-Sperre", on: "Ein", off: "Aus",
        program: "Programm", engine: "Engine", definitions: "Definitionen",
        checkUpdates: "Nach Updates suchen", latest: "Zuletzt",
        items: "%1 Eintr\u00E4ge", entries: "%1 Eintr\u00E4ge", showingLatest: "neueste %1 von %2",
        emptyMail: "Noch keine Phishing-E-Mail-Quellen.",
        emptySites: "Noch keine Phishing-Websites oder -Hosts.",
        emptyLog: "Noch nichts erkannt.",
        count: "\u00D7%1",
        allow: "Zulassen", block: "Blockieren", ask: "Fragen", remove: "Entfernen",
        removeAll: "Alle entfernen", options: "Optionen\u2026",
        selectHint: "W\u00E4hlen Sie einen Eintrag f\u00FCr Details.",
        from: "Von", to: "An", subject: "Betreff", time: "Datum", attachment: "Anhang",
        protocol: "Protokoll", address: "IP-Adresse",
        show: "Zeigen", all: "Alle", clearLog: "Protokoll leeren", logSettings: "Protokolldatei\u2026",
        confirmMail: "Alle %1 E-Mail-Quellen entfernen? Gemerkte Antworten gehen verloren.",
        confirmSites: "Alle %1 Websites entfernen? Gemerkte Antworten gehen verloren.",
        confirmLog: "Alle %1 Protokolleintr\u00E4ge l\u00F6schen?",
        cancel: "Abbrechen",
        protection: "Schutz", alerts: "Warnungen",
        alertsAll: "Bei allem warnen",
        alertsAllDetail: "Bei jeder gefundenen E-Mail und Website fragen",
        alertsOne: "Nur bei einer Art warnen",
        alertsOneDetail: "E-Mail oder Websites, wie unter Anpassen gew\u00E4hlt",
        alertsNone: "Nie warnen",
        alertsNoneDetail: "Alles Gefundene ohne Frage blockieren",
        customise: "Anpassen\u2026",
        log: "Protokoll", logFile: "Protokolldatei und Archiv",
        logFileDetail: "Wo das Protokoll liegt und wie oft es archiviert wird",
        change: "\u00C4ndern\u2026",
        startup: "Start", startWithSession: "Hookwise bei der Anmeldung starten",
        showSplash: "Startbild anzeigen",
        language: "Sprache",
        administrator: "Administrator", loggedIn: "Als Administrator angemeldet",
        loggedOut: "Nicht angemeldet",
        noPassword: "Kein Kennwort: jeder kann Einstellungen \u00E4ndern",
        passwordSet: "Einstellungen sind durch ein Kennwort gesch\u00FCtzt",
        login: "Anmelden", logout: "Abmelden", setPassword: "Kennwort festlegen\u2026",
        changePassword: "Kennwort \u00E4ndern\u2026",
        backup: "Sichern und wiederherstellen",
        backupText: "Alle Einstellungen, Listen und das Protokoll in eine Datei sichern oder zur\u00FCckholen.",
        backupButton: "Sichern\u2026", restoreButton: "Wiederherstellen\u2026",
        resetTitle: "Zur\u00FCcksetzen",
        resetText: "Alle Einstellungen, Listen und Eintr\u00E4ge l\u00F6schen. Hookwise wird beendet.",
        resetButton: "Zur\u00FCcksetzen\u2026",
        support: "Hilfe und Support", help: "Hilfe", contact: "Support kontaktieren",
        locked: "Gesperrt", unlocked: "Admin"
    })
}
