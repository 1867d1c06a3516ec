import QtQuick
import Aru

// The four filter rows: mood, genre and tempo from the catalogue's tag library when it has
// them, vocal always.
Item {
    id: bar
    objectName: "filterBar"

    readonly property var library: AppState.catalog.tagLibrary

    implicitHeight: rows.implicitHeight + 12

    Column {
        id: rows
        x: AppState.layout.pageH
        width: bar.width - x - AppState.layout.pageTrailing
        spacing: 8

        FilterRow {
            objectName: "moodRow"
            width: parent.width
            visible: bar.library !== undefined && bar.library.moods.length > 0
            label: AppState.preferences.t("filter.mood")
            items: bar.library !== undefined ? bar.library.moods : []
            selected: AppState.search.selectedMood
            onChosen: value => AppState.search.selectedMood = value
        }
        FilterRow {
            objectName: "genreRow"
            width: parent.width
            visible: bar.library !== undefined && bar.library.genres.length > 0
            label: AppState.preferences.t("filter.genre")
            items: bar.library !== undefined ? bar.library.genres : []
            selected: AppState.search.selectedGenre
            onChosen: value => AppState.search.selectedGenre = value
        }
        FilterRow {
            objectName: "tempoRow"
            width: parent.width
            visible: bar.library !== undefined && bar.library.tempos.length > 0
            label: AppState.preferences.t("filter.tempo")
            items: bar.library !== undefined ? bar.library.tempos : []
            selected: AppState.search.selectedTempo
            onChosen: value => AppState.search.selectedTempo = value
        }
        FilterRow {
            objectName: "vocalRow"
            width: parent.width
            label: AppState.preferences.t("filter.vocal")
            items: ["Vocal", "Instrumental"]
            selected: AppState.search.selectedVocal
            onChosen: value => AppState.search.selectedVocal = value
        }
    }
}
