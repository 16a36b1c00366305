# fish completion for velkorctl: commands, options, models and setting keys.

set -l commands list status set name store-custom save load udev-rule virtual-reset
set -l keys output-format hdmi-color-space av-output-type deembed-pair embed-source overlays \
    vertical-margin horizontal-margin output-source audio-source image-flip screen-freeze

complete -c velkorctl -f
complete -c velkorctl -s d -l device -r -d 'The converter: number, path or custom name'
complete -c velkorctl -l model -x -a 'tq4410 tq6630' -d 'Only converters of this model'
complete -c velkorctl -l all -d 'Every converter'
complete -c velkorctl -l json -d 'Print each result as one line of JSON'
complete -c velkorctl -l virtual -d 'Work with three virtual converters'
complete -c velkorctl -l verbose -d 'Show the diagnostic lines on standard error'
complete -c velkorctl -s h -l help -d 'Show help'
complete -c velkorctl -l version -d 'Show the version'

complete -c velkorctl -n "not __fish_seen_subcommand_from $commands" -a list -d 'List the converters attached'
complete -c velkorctl -n "not __fish_seen_subcommand_from $commands" -a status -d 'Show name, firmware, status and settings'
complete -c velkorctl -n "not __fish_seen_subcommand_from $commands" -a set -d 'Check settings, send them and verify'
complete -c velkorctl -n "not __fish_seen_subcommand_from $commands" -a name -d 'Give the converter a custom name'
complete -c velkorctl -n "not __fish_seen_subcommand_from $commands" -a store-custom -d 'Store the settings in custom slot 1 or 2'
complete -c velkorctl -n "not __fish_seen_subcommand_from $commands" -a save -d 'Save the settings to a settings file'
complete -c velkorctl -n "not __fish_seen_subcommand_from $commands" -a load -d 'Send the settings of a settings file'
complete -c velkorctl -n "not __fish_seen_subcommand_from $commands" -a udev-rule -d 'Print the udev rule'
complete -c velkorctl -n "not __fish_seen_subcommand_from $commands" -a virtual-reset -d 'Start the virtual converters from the demo state again'

complete -c velkorctl -n "__fish_seen_subcommand_from set" -a (string join ' ' -- $keys=) -d 'Setting'
complete -c velkorctl -n "__fish_seen_subcommand_from store-custom" -a '1 2'
complete -c velkorctl -n "__fish_seen_subcommand_from save load" -F
