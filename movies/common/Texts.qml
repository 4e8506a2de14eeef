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
}
