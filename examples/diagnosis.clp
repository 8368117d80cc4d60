; A backward-chaining diagnosis: why does the car not start? The diagnosis
; rules wait on facts about the car; when no such fact is known, the engine
; asks for it with a goal fact (need-symptom ...), and one rule answers every
; goal by asking the user. Only the questions the diagnosis needs are asked.
;
;   rulesh examples/diagnosis.clp
;   printf 'no\nyes\n' | rulesh examples/diagnosis.clp

(deftemplate symptom (slot name) (slot present))

(do-backward-chaining symptom)

(deftemplate question (slot name) (slot text))

(deffacts questions
   (question (name engine-cranks) (text "Does the engine crank when you turn the key?"))
   (question (name lights-work) (text "Do the headlights come on?"))
   (question (name fuel-smell) (text "Do you smell fuel after trying to start it?"))
   (question (name fuel-gauge-empty) (text "Does the fuel gauge read empty?")))

; Answers a goal by asking the user.
(defrule ask
   ?goal <- (need-symptom (name ?name))
   (question (name ?name) (text ?text))
   =>
   (retract ?goal)
   (printout t ?text " (yes/no) ")
   (bind ?reply (readline))
   (printout t crlf)
   (assert (symptom (name ?name) (present (if (eq ?reply "yes") then yes else no)))))

(defrule flat-battery
   (symptom (name engine-cranks) (present no))
   (symptom (name lights-work) (present no))
   =>
   (printout t "Diagnosis: the battery is flat. Charge or replace it." crlf)
   (halt))

(defrule starter-motor
   (symptom (name engine-cranks) (present no))
   (symptom (name lights-work) (present yes))
   =>
   (printout t "Diagnosis: the starter motor or its relay has failed." crlf)
   (halt))

(defrule out-of-fuel
   (symptom (name engine-cranks) (present yes))
   (symptom (name fuel-gauge-empty) (present yes))
   =>
   (printout t "Diagnosis: the tank is empty. Fill it up." crlf)
   (halt))

(defrule flooded
   (symptom (name engine-cranks) (present yes))
   (symptom (name fuel-gauge-empty) (present no))
   (symptom (name fuel-smell) (present yes))
   =>
   (printout t "Diagnosis: the engine is flooded. Wait a few minutes and try again." crlf)
   (halt))

(defrule ignition
   (symptom (name engine-cranks) (present yes))
   (symptom (name fuel-gauge-empty) (present no))
   (symptom (name fuel-smell) (present no))
   =>
   (printout t "Diagnosis: no spark. Have the ignition system checked." crlf)
   (halt))

(reset)
(run)
