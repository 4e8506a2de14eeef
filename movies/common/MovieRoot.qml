// The root of every movie: the variables, labels and commands its window talks to it through.
//
// A variable "_root.name" is the movie's string property "name" when it declares one, else it is
// kept in a table; either way getVariable gives it back as text. gotoLabel on "_root" sets
// currentLabel. send() emits fsCommand, with "undefined" when there is no argument. The texts
// follow the language the window names once it sets "_root.bLanguageChanged" to "true".
import QtQuick

FocusScope {
    id: movie

    signal fsCommand(string command, string args)

    property string currentLabel: ""
    property string strCurrentLanguage: "English"
    property string bLanguageChanged: ""
    // The language the movie's own texts are shown in.
    property string language: "English"
    property var otherVariables: ({})

    width: 300
    height: 200

    function variableKey(name) {
        var key = String(name)
        return key.indexOf("_root.") === 0 ? key.substring(6) : key
    }

    function isMovieVariable(key) {
        return key.length > 0 && (key in movie) && typeof movie[key] === "string"
    }

    function setVariable(name, value) {
        var key = variableKey(name)
        var text = (value === undefined || value === null) ? "" : String(value)
        if (isMovieVariable(key)) {
            movie[key] = text
            return
        }
        var copy = Object.assign({}, otherVariables)
        copy[key] = text
        otherVariables = copy
    }

    function getVariable(name) {
        var key = variableKey(name)
        if (isMovieVariable(key))
            return movie[key]
        return key in otherVariables ? otherVariables[key] : ""
    }

    function gotoLabel(target, label) {
        var where = String(target)
        if (where === "_root" || where === "/" || where === "")
            currentLabel = String(label)
    }

    function send(command, args) {
        fsCommand(command, (args === undefined || args === null) ? "undefined" : String(args))
    }

    // The movie's own text for key in the language in force (%1 replaced by arg when given).
    function tr(key, arg) {
        return Texts.text(language, key, arg)
    }

    // A text the program sent, in the language in force when the movie knows it.
    function trProgram(text) {
        return Texts.programText(language, text)
    }

    onBLanguageChangedChanged: {
        if (bLanguageChanged.toLowerCase() !== "true")
            return
        language = strCurrentLanguage
        bLanguageChanged = "false"
    }

    Rectangle {
        anchors.fill: parent
        color: Theme.body
    }
}
